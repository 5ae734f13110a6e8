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
    return path(QCoreApplication::applicationDirPath(),
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString path(const QString& executableFolder, const QString& userDataFolder)
{
    const QString shipped = shippedDataFolder(executableFolder);
    // Installed copies are told by their shipped files, not by whether bin/ is writable: an
    // install into the user's own prefix has a writable bin/ that holds no database.
    const bool installed = QFileInfo::exists(QDir(shipped).filePath(QStringLiteral("FORM.MDB")));
    if (!installed && QFileInfo(executableFolder).isWritable())
        return QDir::toNativeSeparators(executableFolder);
    return QDir::toNativeSeparators(userFolder(userDataFolder, shipped));
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
