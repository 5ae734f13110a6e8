#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One message read as MIME: the sender's address, the text of its first plain-text part and
// its attachments with their decoded bytes. A message VMime cannot make sense of reads as empty.
class MailMessage
{
public:
    struct Attachment
    {
        int type = 0; // MailInbox::AttachmentType
        QByteArray data;
    };

    MailMessage() = default;
    explicit MailMessage(const QByteArray& raw);

    const QString& originator() const { return m_originator; }
    const QString& bodyText() const { return m_bodyText; }
    const QList<Attachment>& attachments() const { return m_attachments; }
    bool isAutomatic() const { return m_automatic; }

private:
    QString m_originator;
    QString m_bodyText;
    QList<Attachment> m_attachments;
    bool m_automatic = false;
};
