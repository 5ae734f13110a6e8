#include "settings/FolderCheck.h"

#include <QDir>

namespace FolderCheck {

std::optional<QString> enter(const QString& folder)
{
    if (folder.isEmpty())
        return std::nullopt;
    QString absolute = folder;
    if (QDir::isRelativePath(folder))
        absolute = QDir::toNativeSeparators(QDir::current().absoluteFilePath(folder));
    if (!QDir::setCurrent(absolute))
        return std::nullopt;
    return absolute;
}

} // namespace FolderCheck
