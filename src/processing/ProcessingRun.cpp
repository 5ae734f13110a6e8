#include "processing/ProcessingRun.h"

#include "common/ErrorReporter.h"
#include "common/EventLog.h"
#include "common/ProgramFolder.h"
#include "common/RunFlags.h"
#include "common/StatusLine.h"
#include "design/ReplyTemplate.h"
#include "formdata/DecodeSubmission.h"
#include "formdata/VariableTable.h"
#include "processing/FormReplyAddress.h"
#include "processing/RunProgress.h"
#include "processing/SubmissionFingerprint.h"
#include "reply/ReplySender.h"
#include "reply/ResponseRecorder.h"
#include "settings/MatchingFiles.h"
#include "settings/SystemSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <stdexcept>

namespace {

const QString kOpeningRule = QString(37, QLatin1Char('-'));
const QString kClosingRule = QString(37, QLatin1Char('='));
const QString kMailtoMarker = QStringLiteral("Form posted from");

// A failure that ends the run's loop: the folder or the mailbox went away.
struct RunFailure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

QString statusText(const QString& item, int i, int n)
{
    return QStringLiteral("Processing ") + item + QStringLiteral(" (") + QString::number(i + 1) +
           QStringLiteral(" of ") + QString::number(n) + QLatin1Char(')');
}

} // namespace

ProcessingRun::ProcessingRun(SystemSettings& settings, VariableTable& variables,
                             ReplyTemplate& reply, ReplySender& replies,
                             const ResponseRecorder& recorder, EventLog& log, StatusLine& status,
                             ErrorReporter& errors, const MailInboxFactory& inboxes,
                             RunFlags& flags)
    : m_settings(settings), m_variables(variables), m_reply(reply), m_replies(replies),
      m_recorder(recorder), m_log(log), m_status(status), m_errors(errors), m_inboxes(inboxes), m_flags(flags)
{
}

QString ProcessingRun::timestamp(const QDateTime& at, const QLocale& locale)
{
    // The short date and the locale's long time, less its time-zone name: a run's lines are read
    // on the machine that wrote them, and a zone's name there is only noise. Quoted literals of
    // the format are kept as they are.
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : longTime) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            format += c;
    }
    format = format.simplified();
    return locale.toString(at.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(at.time(), format);
}

QString ProcessingRun::summaryLine(int number, const char* one, const char* many)
{
    return QString::number(number) + QLatin1String(number == 1 ? one : many);
}

bool ProcessingRun::halted()
{
    if (!m_flags.cancelRequested)
        return false;
    m_log.AppendLine(QString());
    m_log.AppendLine(QStringLiteral("File processing was halted by user"));
    m_log.AppendLine(QString());
    return true;
}

bool ProcessingRun::answeredBefore(const QString& item, const QString& fingerprint)
{
    if (!m_settings.on(SystemSettings::Answer_Once) || fingerprint.isEmpty() ||
        !m_recorder.answeredBefore(fingerprint))
        return false;
    m_log.AppendLine(item + QStringLiteral(" was answered before [IGNORED]"));
    return true;
}

void ProcessingRun::reply(QString& target, const QString& fingerprint)
{
    if (m_replies.SendReply(target, fingerprint) == ResponseRecord::Failed)
        ++m_counts.unsent;
}

bool ProcessingRun::ProcessForms(FormSource source, RunProgress* progress)
{
    if (m_flags.runInProgress)
        return false;
    m_flags.runInProgress = true;
    m_progress = progress;
    m_counts = {};
    m_reached = 0;
    m_passes.restart();

    m_log.AppendLine(kOpeningRule);
    m_log.AppendLine(QStringLiteral("Form Processing Started at ") + timestamp());
    m_log.AppendLine(QString());
    m_variables.Clear();

    std::unique_ptr<MailInbox> owner;
    MailInbox* signedOn = nullptr;
    try {
        if (source == FormSource::Inbox)
            inboxSteps(signedOn, owner);
        else
            folderSteps();
    } catch (const std::exception& failure) {
        m_log.AppendLine(QStringLiteral("Processing error: ") + QString::fromUtf8(failure.what()) +
                         QStringLiteral(" [ERROR]"));
        ++m_counts.errors;
        // Items the failure kept the run from reaching were not processed.
        m_counts.processed = std::min(m_counts.processed, m_reached);
    }
    completionSteps(signedOn);
    m_progress = nullptr;
    m_flags.runInProgress = false;
    return true;
}

void ProcessingRun::inboxSteps(MailInbox*& signedOn, std::unique_ptr<MailInbox>& owner)
{
    if (m_inboxes)
        owner = m_inboxes();
    if (!owner) {
        m_errors.ReportError(ErrorCode::MapiLogon + QStringLiteral("No mail inbox is set up"));
        return;
    }
    if (!owner->signOn()) {
        m_errors.ReportError(ErrorCode::MapiLogon + owner->errorDescription());
        return;
    }
    signedOn = owner.get();

    const auto minutes = m_settings.autoTimerMinutes();
    // Unattended runs never look at read mail again, or every timed run would answer it anew.
    if (minutes && *minutes > 0 && m_settings.on(SystemSettings::Auto_Open_Template))
        m_settings.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);
    owner->fetch(m_settings.on(SystemSettings::Ignore_Read_MAPI_Messages));
    const int n = owner->count();
    m_counts.processed = n;
    if (n == 0)
        return;
    if (m_progress)
        m_progress->setMaximum(n);
    for (int i = 0; i < n; ++i) {
        m_reached = i + 1;
        owner->select(i);
        m_status.ShowStatus(statusText(owner->originator(), i, n));
        if (halted())
            break;
        inboxItem(*owner);
        m_variables.Clear();
        if (m_progress)
            m_progress->setValue(i + 1);
        m_passes.between();
    }
}

void ProcessingRun::inboxItem(MailInbox& inbox)
{
    const QString originator = inbox.originator();
    if (!inbox.bodyText().contains(kMailtoMarker) || inbox.attachmentCount() != 1) {
        m_log.AppendLine(originator + QStringLiteral(" not a mailto form [IGNORED]"));
        ++m_counts.ignored;
        return;
    }
    if (inbox.attachmentType() != MailInbox::DataFile) {
        m_log.AppendLine(originator +
                         QStringLiteral(" attachment is an invalid data type [IGNORED]"));
        ++m_counts.ignored;
        return;
    }
    const QString path = inbox.attachmentPath();
    const QString fingerprint = SubmissionFingerprint(path, originator);
    if (answeredBefore(originator, fingerprint)) {
        inbox.markRead();
        ++m_counts.ignored;
        return;
    }
    const DecodeResult result =
        DecodeSubmission(path, path, m_settings.maxLengthLimit(), m_variables, m_log);
    switch (result) {
    case DecodeResult::ParseError:
        m_errors.ReportError(ErrorCode::ParseError);
        m_log.AppendLine(originator + QStringLiteral(" processing error [ERROR]"));
        ++m_counts.errors;
        break;
    case DecodeResult::Ignored:
        ++m_counts.ignored;
        break;
    case DecodeResult::Decoded: {
        m_reply.MergeReplyPreview();
        m_log.AppendLine(originator + QStringLiteral(" processed [OK]"));
        QString target = originator;
        // Before any rule about the address: a program's mail is never answered.
        if (inbox.isAutomatic())
            m_replies.WithholdReply(target, fingerprint);
        else
            reply(target, fingerprint);
        break;
    }
    }
    // Only once the item is accounted for and its reply step is over: a run cut off before
    // leaves it unread, so the next run answers it. Whatever the result, the read state keeps
    // it from coming back after that.
    inbox.markRead();
}

void ProcessingRun::folderSteps()
{
    const QString folder = m_settings.localFolder();
    if (!QFileInfo(folder).isDir())
        throw RunFailure(QStringLiteral("Folder %1 not found").arg(QDir::toNativeSeparators(folder)).toStdString());
    const QStringList names = MatchingFiles::list(folder, m_settings.fileFilter());
    const int n = int(names.size());
    m_counts.processed = n;
    if (n == 0)
        return;
    if (m_progress)
        m_progress->setMaximum(n - 1);
    for (int i = 0; i < n; ++i) {
        m_reached = i + 1;
        const QString& name = names[i];
        m_status.ShowStatus(statusText(name, i, n));
        if (halted())
            break;
        const QString path = ProgramFolder::join(folder, name);
        const QString fingerprint = SubmissionFingerprint(path);
        const DecodeResult result =
            answeredBefore(name, fingerprint)
                ? DecodeResult::Ignored
                : DecodeSubmission(path, name, m_settings.maxLengthLimit(), m_variables, m_log);
        if (result == DecodeResult::ParseError) {
            ++m_counts.errors;
        } else if (result == DecodeResult::Ignored) {
            ++m_counts.ignored;
        } else {
            m_reply.MergeReplyPreview();
            m_log.AppendLine(name + QStringLiteral(" processed [OK]"));
            // A folder file has no sender; the form itself may name the submitter's address.
            QString target = FormReplyAddress(m_variables.variables(),
                                              m_settings.text(SystemSettings::Reply_Address_Field));
            if (target.isEmpty())
                target = FolderReplyTarget;
            reply(target, fingerprint);
        }
        if (i < n - 1)
            m_variables.ResetToDefinitions();
        if (m_progress)
            m_progress->setValue(i);
        m_passes.between();
    }
}

void ProcessingRun::completionSteps(MailInbox* signedOn)
{
    m_variables.ResetToDefinitions();
    m_flags.cancelRequested = false;
    m_status.ShowStatus(QStringLiteral("Form Processing Complete"));
    m_log.AppendLine(QString());
    const Counts& c = m_counts;
    // Items a halt kept the run from reaching count as ok; a failure before the count is known
    // must not make the figure negative.
    const int ok = std::max(0, c.processed - c.ignored - c.errors);
    m_log.AppendLine(summaryLine(c.processed, " file was processed", " files were processed"));
    m_log.AppendLine(summaryLine(ok, " file was ok", " files were ok"));
    m_log.AppendLine(summaryLine(c.ignored, " file were ignored", " files were ignored"));
    m_log.AppendLine(summaryLine(c.errors, " error were found", " errors were found"));
    if (c.unsent > 0)
        m_log.AppendLine(summaryLine(c.unsent, " reply could not be sent", " replies could not be sent"));
    if (signedOn) {
        try {
            signedOn->signOff();
        } catch (const std::exception&) {
            // The mailbox is gone already; its failure has been accounted for.
        }
    }
    m_log.AppendLine(QString());
    m_log.AppendLine(QStringLiteral("Processing Completed at ") + timestamp());
    m_log.AppendLine(kClosingRule);
    m_log.AppendLine(QString());
}
