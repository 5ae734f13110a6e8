#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace SafeSave {

// Replaces the file at path with bytes, or leaves the old file untouched and returns false: the
// bytes go to a temporary file beside it, every write and the flush to disk are checked (a full
// disk shows itself there, not at the rename), and only then is it renamed into place. Given
// permissions are set on the new file; otherwise it keeps those of the file it replaces.
bool write(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions = {});

} // namespace SafeSave
