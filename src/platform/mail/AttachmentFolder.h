#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QTemporaryDir;

// Where an inbox saves the attachment handed to the decoder: a folder only its owner can enter,
// made on first use and removed with remove() or with the object. Files get names made up here;
// an attachment's own file name never becomes a path.
class AttachmentFolder
{
public:
    AttachmentFolder();
    ~AttachmentFolder();
    AttachmentFolder(const AttachmentFolder&) = delete;
    AttachmentFolder& operator=(const AttachmentFolder&) = delete;

    // Saves the bytes as message-<number>.att, replacing the file saved before (one attachment
    // is in hand at a time). Throws MailInboxError when the file cannot be written.
    QString save(const QByteArray& bytes, int number);
    void remove();

private:
    void makeFolder();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_lastSaved;
};
