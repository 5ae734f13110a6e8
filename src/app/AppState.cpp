#include "app/AppState.h"

#include "common/ProgramFolder.h"
#include "platform/mail/ProfileInbox.h"
#include "platform/report/ReportDefinition.h"

#include <exception>

AppState::AppState(const QString& programFolder, Dialogs& dialogs,
                   ErrorReporter::Terminate terminate, QObject* parent)
    : QObject(parent), m_programFolder(programFolder), m_dialogs(dialogs), m_settings(this),
      m_store(m_settings, programFolder, this), m_variables(this),
      m_template(m_variables, m_settings, this), m_eventLog(this), m_status(this),
      m_errors(dialogs, std::move(terminate)), m_recentFiles(this),
      m_designer(m_template, m_variables, m_settings, m_store, m_recentFiles, m_eventLog, m_errors,
                 dialogs, this),
      m_smtp(m_settings, m_errors), m_recorder(programFolder, flags, m_errors),
      m_replies(m_template, m_variables, m_settings, dialogs, m_eventLog, m_smtp, m_recorder,
                printJobFactory),
      m_run(m_settings, m_variables, m_template, m_replies, m_recorder, m_eventLog, m_status,
            m_errors, inboxFactory, flags)
{
}

bool AppState::InitialiseApplication()
{
    try {
        if (!m_store.LoadSettings())
            m_errors.ReportError(ErrorCode::ReadingSettings);
        takeOverMailProfile();
        ReportDefinition::refresh(ProgramFolder::join(m_programFolder, ReportDefinition::FileName));
        emit settingsLoaded();
        m_recentFiles.RefreshRecentFiles();
        m_variables.reset();
        m_variables.ShowInGrid();
        m_template.setChanged(false);
        flags.cancelRequested = false;
        flags.recordingEnabled = true;
        flags.minutesElapsed = 0;
    } catch (const std::exception&) {
        return false;
    }
    m_settings.updateWorkingValues();
    reopenLastTemplate();
    return true;
}

MailProfile AppState::account() const
{
    using K = SystemSettings;
    return {m_settings.text(K::Mail_Inbox), m_settings.text(K::MAPI_ID),
            m_settings.text(K::MAPI_Password)};
}

MailInboxFactory AppState::accountInboxes(MailLogon& logon)
{
    return [this, &logon] {
        using K = SystemSettings;
        return MailInbox::forAccount(logon, account(), [this](const MailProfile& given) {
            m_settings.setText(K::Mail_Inbox, given.inbox);
            m_settings.setText(K::MAPI_ID, given.user);
            m_settings.setText(K::MAPI_Password, given.password);
        });
    };
}

std::optional<QString> AppState::checkAccount()
{
    // Both waits run the event loop, so a second click could start a check inside the first.
    if (m_checkingAccount)
        return std::nullopt;
    m_checkingAccount = true;
    const QString inbox = ProfileInbox::check(account());
    // A session of its own, so that a timed run sending meanwhile keeps its connection.
    SmtpSession smtp(m_settings, m_errors);
    const QString server = smtp.CheckAccount();
    m_checkingAccount = false;
    const auto line = [](const char* name, const QString& failure) {
        return QLatin1String(name) + QStringLiteral(": ") +
               (failure.isEmpty() ? QStringLiteral("OK") : failure);
    };
    return line("Inbox", inbox) + u'\n' + line("SMTP", server);
}

// Earlier versions kept the inbox and its logon in the per-user store. A field FORM.INI leaves
// empty takes the old value; the group goes only once FORM.INI holds what was taken, so a
// failed write loses nothing.
void AppState::takeOverMailProfile()
{
    const MailProfile old = MailProfile::stored();
    if (old.isEmpty()) {
        MailProfile::removeStored();
        return;
    }
    using K = SystemSettings;
    const std::pair<K::Key, QString> fields[]{
        {K::Mail_Inbox, old.inbox}, {K::MAPI_ID, old.user}, {K::MAPI_Password, old.password}};
    for (const auto& [key, value] : fields) {
        if (m_settings.text(key).isEmpty() && !value.isEmpty())
            m_settings.setText(key, value);
    }
    if (m_store.SaveSettings())
        MailProfile::removeStored();
}

void AppState::reopenLastTemplate()
{
    if (!m_settings.on(SystemSettings::Auto_Open_Template))
        return;
    // Read from the file itself: the in-memory record does not hold it.
    if (!m_template.LoadTemplate(m_store.lastTemplate()))
        m_errors.ReportError(ErrorCode::StartupTemplate);
}

void AppState::shutDown()
{
    m_store.SaveSettings();
}
