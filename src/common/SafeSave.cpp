#include "common/SafeSave.h"

#include <QSaveFile>
#include <unistd.h>

namespace SafeSave {

bool write(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    if (path.isEmpty())
        return false;
    // Unbuffered, so a failed write is seen by QSaveFile itself; buffered bytes flushed by
    // commit() could fail there unnoticed and an empty file would be renamed into place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (permissions && !file.setPermissions(permissions))
        return false;
    if (file.write(bytes) != bytes.size())
        return false; // the destructor removes the temporary file
    // Some file systems only report a full disk when the data is forced out.
    if (::fsync(file.handle()) != 0)
        return false;
    return file.commit();
}

} // namespace SafeSave
