#include "processing/ProcessingRun.h"

#include "app/AppState.h"
#include "common/ProgramFolder.h"
#include "formdata/DecodeSubmission.h"
#include "platform/mail/MailInbox.h"
#include "processing/RunProgress.h"
#include "reply/ReplySender.h"
#include "settings/MatchingFiles.h"

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

ProcessingRun::ProcessingRun(AppState& state) : m_state(state), m_replies(state) {}

QString ProcessingRun::timestamp()
{
    // The general date format: the short date, a space, the long time.
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), QLocale::LongFormat);
}

QString ProcessingRun::summaryLine(int number, const char* one, const char* many)
{
    return QString::number(number) + QLatin1String(number == 1 ? one : many);
}

bool ProcessingRun::halted()
{
    if (!m_state.cancelRequested)
        return false;
    EventLog& log = m_state.eventLog();
    log.AppendLine(QString());
    log.AppendLine(QStringLiteral("File processing was halted by user"));
    log.AppendLine(QString());
    return true;
}

bool ProcessingRun::ProcessForms(FormSource source, RunProgress* progress)
{
    if (m_state.runInProgress)
        return false;
    m_state.runInProgress = true;
    m_progress = progress;
    m_counts = {};

    EventLog& log = m_state.eventLog();
    log.AppendLine(kOpeningRule);
    log.AppendLine(QStringLiteral("Form Processing Started at ") + timestamp());
    log.AppendLine(QString());
    m_state.variables().Clear();

    std::unique_ptr<MailInbox> owner;
    MailInbox* signedOn = nullptr;
    try {
        if (source == FormSource::Inbox)
            inboxSteps(signedOn, owner);
        else
            folderSteps();
    } catch (const std::exception& failure) {
        log.AppendLine(QStringLiteral("Processing error: ") + QString::fromUtf8(failure.what()) +
                       QStringLiteral(" [ERROR]"));
        ++m_counts.errors;
    }
    completionSteps(signedOn);
    m_progress = nullptr;
    m_state.runInProgress = false;
    return true;
}

void ProcessingRun::inboxSteps(MailInbox*& signedOn, std::unique_ptr<MailInbox>& owner)
{
    if (m_state.inboxFactory)
        owner = m_state.inboxFactory();
    if (!owner) {
        m_state.errors().ReportError(ErrorCode::MapiLogon + QStringLiteral("No mail inbox is set up"));
        return;
    }
    if (!owner->signOn()) {
        m_state.errors().ReportError(ErrorCode::MapiLogon + owner->errorDescription());
        return;
    }
    signedOn = owner.get();

    SystemSettings& settings = m_state.settings();
    const auto minutes = settings.autoTimerMinutes();
    // Unattended runs never look at read mail again, or every timed run would answer it anew.
    if (minutes && *minutes > 0 && settings.on(SystemSettings::Auto_Open_Template))
        settings.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);
    owner->fetch(settings.on(SystemSettings::Ignore_Read_MAPI_Messages));
    const int n = owner->count();
    m_counts.processed = n;
    if (n == 0)
        return;
    if (m_progress)
        m_progress->setMaximum(n);
    for (int i = 0; i < n; ++i) {
        owner->select(i);
        m_state.status().ShowStatus(statusText(owner->originator(), i, n));
        if (halted())
            break;
        inboxItem(*owner);
        m_state.variables().Clear();
        if (m_progress)
            m_progress->setValue(i + 1);
    }
}

void ProcessingRun::inboxItem(MailInbox& inbox)
{
    EventLog& log = m_state.eventLog();
    const QString originator = inbox.originator();
    if (!inbox.bodyText().contains(kMailtoMarker) || inbox.attachmentCount() != 1) {
        log.AppendLine(originator + QStringLiteral(" not a mailto form [IGNORED]"));
        ++m_counts.ignored;
        return;
    }
    if (inbox.attachmentType() != MailInbox::DataFile) {
        log.AppendLine(originator + QStringLiteral(" attachment is an invalid data type [IGNORED]"));
        ++m_counts.ignored;
        return;
    }
    const QString path = inbox.attachmentPath();
    const DecodeResult result =
        DecodeSubmission(path, path, m_state.settings().maxLengthLimit(), m_state.variables(), log);
    // Marked read whatever the result: the read state keeps a submission from coming back.
    inbox.markRead();
    switch (result) {
    case DecodeResult::ParseError:
        m_state.errors().ReportError(ErrorCode::ParseError);
        log.AppendLine(originator + QStringLiteral(" processing error [ERROR]"));
        ++m_counts.errors;
        break;
    case DecodeResult::Ignored:
        ++m_counts.ignored;
        break;
    case DecodeResult::Decoded: {
        m_state.replyTemplate().MergeReplyPreview();
        log.AppendLine(originator + QStringLiteral(" processed [OK]"));
        QString target = originator;
        m_replies.SendReply(target);
        break;
    }
    }
}

void ProcessingRun::folderSteps()
{
    const QString folder = m_state.settings().localFolder();
    if (!QFileInfo(folder).isDir())
        throw RunFailure(QStringLiteral("Folder %1 not found").arg(QDir::toNativeSeparators(folder)).toStdString());
    const QStringList names = MatchingFiles::list(folder, m_state.settings().fileFilter());
    const int n = int(names.size());
    m_counts.processed = n;
    if (n == 0)
        return;
    if (m_progress)
        m_progress->setMaximum(n - 1);
    EventLog& log = m_state.eventLog();
    for (int i = 0; i < n; ++i) {
        const QString& name = names[i];
        m_state.status().ShowStatus(statusText(name, i, n));
        if (halted())
            break;
        const DecodeResult result =
            DecodeSubmission(ProgramFolder::join(folder, name), name,
                             m_state.settings().maxLengthLimit(), m_state.variables(), log);
        if (result == DecodeResult::ParseError) {
            ++m_counts.errors;
        } else if (result == DecodeResult::Ignored) {
            ++m_counts.ignored;
        } else {
            m_state.replyTemplate().MergeReplyPreview();
            log.AppendLine(name + QStringLiteral(" processed [OK]"));
            QString target = FolderReplyTarget;
            m_replies.SendReply(target);
        }
        if (i < n - 1)
            m_state.variables().ResetToDefinitions();
        if (m_progress)
            m_progress->setValue(i);
    }
}

void ProcessingRun::completionSteps(MailInbox* signedOn)
{
    m_state.variables().ResetToDefinitions();
    m_state.cancelRequested = false;
    m_state.status().ShowStatus(QStringLiteral("Form Processing Complete"));
    EventLog& log = m_state.eventLog();
    log.AppendLine(QString());
    const Counts& c = m_counts;
    // Items a halt kept the run from reaching count as ok; a failure before the count is known
    // must not make the figure negative.
    const int ok = std::max(0, c.processed - c.ignored - c.errors);
    log.AppendLine(summaryLine(c.processed, " file was processed", " files were processed"));
    log.AppendLine(summaryLine(ok, " file was ok", " files were ok"));
    log.AppendLine(summaryLine(c.ignored, " file were ignored", " files were ignored"));
    log.AppendLine(summaryLine(c.errors, " error were found", " errors were found"));
    if (signedOn) {
        try {
            signedOn->signOff();
        } catch (const std::exception&) {
            // The mailbox is gone already; its failure has been accounted for.
        }
    }
    log.AppendLine(QString());
    log.AppendLine(QStringLiteral("Processing Completed at ") + timestamp());
    log.AppendLine(kClosingRule);
    log.AppendLine(QString());
}
