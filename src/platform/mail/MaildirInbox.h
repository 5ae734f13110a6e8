#pragma once

#include "platform/mail/MimeInbox.h"

#include <QList>

// A Maildir folder (cur/, new/, tmp/) read in place. A message in new/ is unread, one in cur/
// is read when its flags hold S; marking read moves a new message into cur/ and adds S. Nothing
// else in the folder is changed.
class MaildirInbox : public MimeInbox
{
public:
    explicit MaildirInbox(const QString& folder);

    // The user's ~/Maildir.
    static QString defaultFolder();

    int count() const override { return int(m_messages.size()); }

protected:
    bool openMailbox() override;
    void listMessages(bool unreadOnly) override;
    QByteArray readMessage(int index) override;
    void markMessageRead(int index) override;
    bool closeMailbox() override;

private:
    struct Entry
    {
        QString path;
        qint64 deliveredMs = 0;
    };

    static QString uniqueName(const QString& fileName);
    static bool isSeen(const QString& fileName);
    static qint64 deliveryTime(const QString& path);
    void addMessages(const QString& subfolder, bool unreadOnly);
    // Where the message is now: another mail program may have moved it since the listing.
    QString currentPath(int index);
    void requireFolder() const;

    QString m_folder;
    QList<Entry> m_messages;
};
