#include "app/AppState.h"

#include <exception>

AppState::AppState(const QString& programFolder, Dialogs& dialogs,
                   ErrorReporter::Terminate terminate, QObject* parent)
    : QObject(parent), m_programFolder(programFolder), m_dialogs(dialogs), m_settings(this),
      m_store(m_settings, programFolder, this), m_variables(this),
      m_template(m_variables, m_settings, this), m_eventLog(this),
      m_status(this), m_errors(dialogs, std::move(terminate)), m_recentFiles(this),
      m_designer(m_template, m_variables, m_settings, m_store, m_recentFiles, m_eventLog,
                 m_errors, dialogs, this),
      m_smtp(m_settings, m_errors), m_recorder(programFolder, flags, m_errors),
      m_replies(m_template, m_variables, m_settings, dialogs, m_eventLog, m_smtp, m_recorder,
                printJobFactory),
      m_run(m_settings, m_variables, m_template, m_replies, m_eventLog, m_status, m_errors,
            inboxFactory, flags)
{
}

bool AppState::InitialiseApplication()
{
    try {
        if (!m_store.LoadSettings())
            m_errors.ReportError(ErrorCode::ReadingSettings);
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
