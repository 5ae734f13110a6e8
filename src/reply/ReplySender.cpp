#include "reply/ReplySender.h"

#include "app/AppState.h"
#include "common/Dialogs.h"
#include "platform/system/PrintJob.h"

ReplySender::ReplySender(AppState& state)
    : m_state(state), m_smtp(state.settings(), state.errors()), m_recorder(state)
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
        replyTarget = m_state.dialogs().inputBox(AddressPrompt).value_or(QString());
        if (replyTarget.isEmpty())
            return false;
    }
    return true;
}

void ReplySender::SendReply(QString& replyTarget)
{
    ReplyTemplate& reply = m_state.replyTemplate();
    SystemSettings& settings = m_state.settings();
    reply.MergeReplyPreview();
    const QString body = reply.previewText();

    if (!settings.on(SystemSettings::Suppress_Reply_To_Sender) && askForAddress(replyTarget)) {
        const bool sent =
            m_smtp.SendMail(replyTarget, settings.text(SystemSettings::SMTP_From_Address),
                            settings.text(SystemSettings::SMTP_Reply_Subject), body);
        m_state.eventLog().AppendLine(sendLine(replyTarget, sent));
    }

    print(body);
    m_recorder.Record(replyTarget, settings.text(SystemSettings::SMTP_Reply_Subject), body);
}

void ReplySender::print(const QString& preview)
{
    const SystemSettings& settings = m_state.settings();
    const bool forms = settings.on(SystemSettings::Auto_Print_Forms);
    const bool reply = settings.on(SystemSettings::Auto_Print_Reply);
    if ((!forms && !reply) || !m_state.printJobFactory)
        return;
    const std::unique_ptr<PrintJob> job = m_state.printJobFactory();
    if (!job)
        return;
    // A failing printer ends the step quietly; the unended job is abandoned.
    if (forms) {
        const VariableGridModel* grid = m_state.variables().gridModel();
        for (int row = 0; row < m_state.variables().count(); ++row) {
            const QString line = grid->cell(row, VariableGridModel::FriendlyNameColumn) +
                                 QStringLiteral(" [") +
                                 grid->cell(row, VariableGridModel::FormNameColumn) +
                                 QStringLiteral("] : ") +
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
