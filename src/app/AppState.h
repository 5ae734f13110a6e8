#pragma once

#include "common/ErrorReporter.h"
#include "common/EventLog.h"
#include "common/RunFlags.h"
#include "common/StatusLine.h"
#include "design/RecentFiles.h"
#include "design/ReplyTemplate.h"
#include "design/TemplateDesigner.h"
#include "formdata/VariableTable.h"
#include "platform/mail/MailInbox.h"
#include "platform/mail/MailProfile.h"
#include "platform/system/PrintJob.h"
#include "processing/ProcessingRun.h"
#include "reply/ReplySender.h"
#include "reply/ResponseRecorder.h"
#include "reply/SmtpSession.h"
#include "settings/SettingsStore.h"
#include "settings/SystemSettings.h"

#include <QObject>
#include <optional>

class Dialogs;
class MailLogon;

// The process-wide state that lives for the whole run, and the one place that wires the parts
// of the program together: each part gets the pieces of this state it works on. The windows are
// views over it, and tests drive it without a screen.
class AppState : public QObject
{
    Q_OBJECT
public:
    AppState(const QString& programFolder, Dialogs& dialogs,
             ErrorReporter::Terminate terminate = {}, QObject* parent = nullptr);

    const QString& programFolder() const { return m_programFolder; }
    Dialogs& dialogs() { return m_dialogs; }
    SystemSettings& settings() { return m_settings; }
    SettingsStore& store() { return m_store; }
    VariableTable& variables() { return m_variables; }
    ReplyTemplate& replyTemplate() { return m_template; }
    EventLog& eventLog() { return m_eventLog; }
    StatusLine& status() { return m_status; }
    ErrorReporter& errors() { return m_errors; }
    RecentFiles& recentFiles() { return m_recentFiles; }
    TemplateDesigner& designer() { return m_designer; }
    SmtpSession& smtp() { return m_smtp; }
    ResponseRecorder& recorder() { return m_recorder; }
    ReplySender& replies() { return m_replies; }
    ProcessingRun& run() { return m_run; }

    // The run-time flags and counters that start-up puts into a known state.
    RunFlags flags;
    // Makes the print job of a reply; left empty, nothing is printed.
    PrintJobFactory printJobFactory;
    // Opens the user's mail inbox for a run; left empty, there is no inbox to sign on to.
    MailInboxFactory inboxFactory;

    // Inboxes of the account in the settings (Mail_Inbox, MAPI_ID, MAPI_Password) as it is when
    // a run starts; what the user gives the logon goes into those fields.
    MailInboxFactory accountInboxes(MailLogon& logon);

    // Signs on to the account's inbox and SMTP server with the settings as they stand and
    // says how each went, in two lines; nullopt while an earlier check still waits.
    std::optional<QString> checkAccount();

    // The start-up steps that need no window; false when one of the guarded steps failed.
    bool InitialiseApplication();
    // The closing steps before the program ends: the settings are written (result ignored).
    void shutDown();

signals:
    // After the settings have been loaded at start-up, before anything uses them.
    void settingsLoaded();

private:
    void reopenLastTemplate();
    void takeOverMailProfile();
    MailProfile account() const;

    QString m_programFolder;
    Dialogs& m_dialogs;
    SystemSettings m_settings;
    SettingsStore m_store;
    VariableTable m_variables;
    ReplyTemplate m_template;
    EventLog m_eventLog;
    StatusLine m_status;
    ErrorReporter m_errors;
    RecentFiles m_recentFiles;
    TemplateDesigner m_designer;
    SmtpSession m_smtp;
    ResponseRecorder m_recorder;
    ReplySender m_replies;
    ProcessingRun m_run;
    bool m_checkingAccount = false;
};
