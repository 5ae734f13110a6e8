#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef BREVANE_SHIPPED_DATA
#define BREVANE_SHIPPED_DATA "../share/brevane"
#endif

namespace ProgramFolder {

QString path()
{
    const QString executableFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(executableFolder).isWritable())
        return QDir::toNativeSeparators(executableFolder);
    return QDir::toNativeSeparators(
        userFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                   shippedDataFolder(executableFolder)));
}

QString shippedDataFolder(const QString& executableFolder)
{
    return QDir::cleanPath(QDir(executableFolder).filePath(QStringLiteral(BREVANE_SHIPPED_DATA)));
}

QString userFolder(const QString& userDataFolder, const QString& shippedDataFolder)
{
    const QString folder = QDir(userDataFolder).filePath(QStringLiteral("Brevane"));
    if (QFileInfo::exists(folder) || !QDir().mkpath(folder))
        return folder;
    for (const char* name : {"FORM.MDB", "FORM.RPT"}) {
        const QString from = QDir(shippedDataFolder).filePath(QLatin1String(name));
        const QString to = QDir(folder).filePath(QLatin1String(name));
        // Installed files are often read-only; the user's copies must not be.
        if (QFile::copy(from, to))
            QFile::setPermissions(to, QFile::permissions(to) | QFile::ReadOwner | QFile::WriteOwner);
    }
    return folder;
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
