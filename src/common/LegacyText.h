#pragma once

#include <QByteArray>
#include <QString>

// Files of this program were once written in the Windows-1252 code page; now they are written in
// UTF-8. Reading takes bytes as UTF-8 when they are valid UTF-8, otherwise as Windows-1252.
namespace LegacyText {

QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }
QString fromWindows1252(const char* data, qsizetype size);

} // namespace LegacyText
