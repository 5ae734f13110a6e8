#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace ProgramFolder {

QString path()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QChar separator()
{
    return QDir::separator();
}

QString join(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(separator()))
        return folder + name;
    return folder + separator() + name;
}

QString defaultLocalPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QStringLiteral("/");
#endif
}

} // namespace ProgramFolder
