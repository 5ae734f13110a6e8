#pragma once

#include "platform/mail/AttachmentFolder.h"
#include "platform/mail/MailInbox.h"
#include "platform/mail/MailMessage.h"

// What the Maildir and IMAP inboxes share: the selected message read as MIME, its attachment
// saved in a private folder, and the sign-on failure. They supply the stored messages' bytes.
class MimeInbox : public MailInbox
{
public:
    bool signOn() override;
    QString errorDescription() const override { return m_error; }
    // True when the last sign-on failed because the server refused the user name or password.
    bool loginRefused() const { return m_loginRefused; }

    void fetch(bool unreadOnly) override;
    void select(int index) override;
    QString originator() const override { return m_message.originator(); }
    QString bodyText() const override { return m_message.bodyText(); }
    bool isAutomatic() const override { return m_message.isAutomatic(); }
    int attachmentCount() const override { return int(m_message.attachments().size()); }
    int attachmentType() const override;
    QString attachmentPath() override;
    void markRead() override;
    bool signOff() override;

protected:
    // Records why the sign-on failed; returns false for openMailbox to pass on.
    bool fail(const QString& description, bool loginRefused = false);

    virtual bool openMailbox() = 0;
    virtual void listMessages(bool unreadOnly) = 0;
    virtual QByteArray readMessage(int index) = 0;
    virtual void markMessageRead(int index) = 0;
    virtual bool closeMailbox() = 0;

private:
    int selected() const;
    void forgetMessage();

    QString m_error;
    bool m_loginRefused = false;
    int m_selected = -1;
    MailMessage m_message;
    AttachmentFolder m_attachments;
};
