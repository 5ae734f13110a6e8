#include "processing/SubmissionFingerprint.h"

#include <QCryptographicHash>
#include <QFile>

QString SubmissionFingerprint(const QString& path, const QString& sender)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    if (!sender.isEmpty()) {
        // The zero byte keeps the file's last bytes from passing for part of the address.
        hash.addData(QByteArrayView("\0", 1));
        hash.addData(sender.toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}
