#include "app/SystemInformation.h"

#include "common/Dialogs.h"
#include "common/ProgramFolder.h"
#include "platform/system/ProgramLauncher.h"
#include "platform/system/Registry.h"

#include <QFileInfo>

QStringList SystemInformation::defaultTools()
{
#ifdef Q_OS_WIN
    return {};
#else
    return {QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor"),
            QStringLiteral("kinfocenter"), QStringLiteral("xfce4-taskmanager")};
#endif
}

SystemInformation::SystemInformation(Registry& registry, ProgramLauncher& launcher,
                                     Dialogs& dialogs, QStringList pathTools)
    : m_registry(registry), m_launcher(launcher), m_dialogs(dialogs),
      m_pathTools(std::move(pathTools))
{
}

bool SystemInformation::startRegisteredTool(bool& registered)
{
    registered = true;
    if (const auto path = m_registry.GetKeyValue(Registry::Root::LocalMachine, InfoKey, InfoValue))
        return m_launcher.start(*path);
    if (const auto folder =
            m_registry.GetKeyValue(Registry::Root::LocalMachine, LocationKey, LocationValue)) {
        const QString tool = ProgramFolder::join(*folder, ToolFile);
        return QFileInfo(tool).isFile() && m_launcher.start(tool);
    }
    registered = false;
    return false;
}

void SystemInformation::StartSysInfo()
{
    bool registered = false;
    if (startRegisteredTool(registered))
        return;
    if (!registered) {
        for (const QString& name : m_pathTools) {
            const QString path = m_launcher.findOnPath(name);
            if (path.isEmpty())
                continue;
            if (m_launcher.start(path))
                return;
            break;
        }
    }
    unavailable();
}

void SystemInformation::unavailable()
{
    m_dialogs.messageBox(Unavailable, Dialogs::Icon::None, Dialogs::Buttons::Ok);
}
