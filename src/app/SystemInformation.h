#pragma once

#include <QStringList>

class Dialogs;
class ProgramLauncher;
class Registry;

// The About window's System Info button: starts the system's information tool, found where
// Windows records it, or on other systems the first known tool on the PATH.
class SystemInformation
{
public:
    static inline const QString Unavailable =
        QStringLiteral("System Information Is Unavailable At This Time");
    static inline const QString InfoKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static inline const QString InfoValue = QStringLiteral("PATH");
    static inline const QString LocationKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    static inline const QString LocationValue = QStringLiteral("MSINFO");
    static inline const QString ToolFile = QStringLiteral("MSINFO32.EXE");

    // The tools tried on the PATH when the registry knows none: none on Windows.
    static QStringList defaultTools();

    SystemInformation(Registry& registry, ProgramLauncher& launcher, Dialogs& dialogs,
                      QStringList pathTools = defaultTools());

    // Starts the tool, or shows "System Information Is Unavailable At This Time".
    void StartSysInfo();

private:
    bool startRegisteredTool(bool& registered);
    void unavailable();

    Registry& m_registry;
    ProgramLauncher& m_launcher;
    Dialogs& m_dialogs;
    QStringList m_pathTools;
};
