#include "reply/ReplySender.h"

#include "common/Dialogs.h"
#include "common/EventLog.h"
#include "design/ReplyTemplate.h"
#include "formdata/VariableTable.h"
#include "reply/ResponseRecorder.h"
#include "reply/SmtpSession.h"
#include "settings/SystemSettings.h"

ReplySender::ReplySender(ReplyTemplate& reply, VariableTable& variables,
                         const SystemSettings& settings, Dialogs& dialogs, EventLog& log,
                         SmtpSession& smtp, ResponseRecorder& recorder,
                         const PrintJobFactory& printJobs)
    : m_reply(reply), m_variables(variables), m_settings(settings), m_dialogs(dialogs), m_log(log),
      m_smtp(smtp), m_recorder(recorder), m_printJobs(printJobs)
{
}

QString ReplySender::sendLine(const QString& target, bool sent)
{
    return QStringLiteral("   SMTP Send to ") + target +
           (sent ? QStringLiteral(" [OK]") : QStringLiteral(" [FAILED]"));
}

bool ReplySender::askForAddress(QString& replyTarget)
{
    while (!replyTarget.contains(QLatin1Char('@'))) {
        // Cancel answers like an empty text.
        replyTarget = m_dialogs.inputBox(AddressPrompt).value_or(QString());
        if (replyTarget.isEmpty())
            return false;
    }
    return true;
}

QString ReplySender::SendReply(QString& replyTarget, const QString& fingerprint)
{
    m_reply.MergeReplyPreview();
    const QString body = m_reply.previewText();

    QString status = ResponseRecord::NotSent;
    if (!m_settings.on(SystemSettings::Suppress_Reply_To_Sender) && askForAddress(replyTarget)) {
        const bool sent =
            m_smtp.SendMail(replyTarget, m_settings.text(SystemSettings::SMTP_From_Address),
                            m_settings.text(SystemSettings::SMTP_Reply_Subject), body);
        m_log.AppendLine(sendLine(replyTarget, sent));
        // The server's own words tell "User unknown" from "Authentication required".
        if (!sent && !m_smtp.serverWords().isEmpty())
            m_log.AppendLine(m_smtp.serverWords());
        status = sent ? ResponseRecord::Sent : ResponseRecord::Failed;
    }
    printAndRecord(replyTarget, body, status, fingerprint);
    return status;
}

void ReplySender::WithholdReply(const QString& replyTarget, const QString& fingerprint)
{
    m_reply.MergeReplyPreview();
    if (!m_settings.on(SystemSettings::Suppress_Reply_To_Sender))
        m_log.AppendLine(QStringLiteral("   No reply to ") + replyTarget +
                         QStringLiteral(" (automatic message)"));
    printAndRecord(replyTarget, m_reply.previewText(), ResponseRecord::NotSent, fingerprint);
}

void ReplySender::printAndRecord(const QString& replyTarget, const QString& body,
                                 const QString& status, const QString& fingerprint)
{
    print(body);
    ResponseRecord record;
    record.sourceAddress = replyTarget;
    record.subject = m_settings.text(SystemSettings::SMTP_Reply_Subject);
    record.message = body;
    record.status = status;
    record.fingerprint = fingerprint;
    record.fields = m_variables.variables();
    m_recorder.Record(std::move(record));
}

void ReplySender::print(const QString& preview)
{
    const bool forms = m_settings.on(SystemSettings::Auto_Print_Forms);
    const bool reply = m_settings.on(SystemSettings::Auto_Print_Reply);
    if ((!forms && !reply) || !m_printJobs)
        return;
    const std::unique_ptr<PrintJob> job = m_printJobs();
    if (!job)
        return;
    // A failing printer ends the step quietly; the unended job is abandoned.
    if (forms) {
        const VariableGridModel* grid = m_variables.gridModel();
        for (int row = 0; row < m_variables.count(); ++row) {
            const QString line =
                grid->cell(row, VariableGridModel::FriendlyNameColumn) + QStringLiteral(" [") +
                grid->cell(row, VariableGridModel::FormNameColumn) + QStringLiteral("] : ") +
                grid->cell(row, VariableGridModel::ValueColumn);
            if (!job->print(line))
                return;
        }
        if (reply && (!job->print(ReplySeparator) || !job->print(preview)))
            return;
    } else if (!job->print(preview)) {
        return;
    }
    job->end();
}
