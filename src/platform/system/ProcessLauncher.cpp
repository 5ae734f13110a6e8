#include "platform/system/ProcessLauncher.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

bool ProcessLauncher::start(const QString& program)
{
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return false;
    return QProcess::startDetached(program, {});
}

QString ProcessLauncher::findOnPath(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}
