#include "platform/mail/AttachmentFolder.h"

#include "platform/mail/MailInboxError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
constexpr auto OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
}

AttachmentFolder::AttachmentFolder() = default;

AttachmentFolder::~AttachmentFolder() = default;

void AttachmentFolder::makeFolder()
{
    auto dir = std::make_unique<QTemporaryDir>(
        QDir::temp().filePath(QStringLiteral("brevane-mail-XXXXXX")));
    if (!dir->isValid() || !QFile::setPermissions(dir->path(), OwnerOnly | QFileDevice::ExeOwner))
        throw MailInboxError(QStringLiteral("No private temporary folder for attachments in %1")
                                 .arg(QDir::toNativeSeparators(QDir::tempPath())));
    m_dir = std::move(dir);
}

QString AttachmentFolder::save(const QByteArray& bytes, int number)
{
    if (!m_dir)
        makeFolder();
    if (!m_lastSaved.isEmpty())
        QFile::remove(m_lastSaved);
    m_lastSaved.clear();
    const QString path = m_dir->filePath(QStringLiteral("message-%1.att").arg(number));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, OwnerOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw MailInboxError(QStringLiteral("Attachment could not be saved as %1")
                                 .arg(QDir::toNativeSeparators(path)));
    m_lastSaved = path;
    return path;
}

void AttachmentFolder::remove()
{
    m_dir.reset();
    m_lastSaved.clear();
}
