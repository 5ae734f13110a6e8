#include "platform/mail/MimeInbox.h"

#include "platform/mail/MailInboxError.h"

bool MimeInbox::signOn()
{
    m_error.clear();
    m_loginRefused = false;
    forgetMessage();
    return openMailbox();
}

bool MimeInbox::fail(const QString& description, bool loginRefused)
{
    m_error = description;
    m_loginRefused = loginRefused;
    return false;
}

void MimeInbox::fetch(bool unreadOnly)
{
    forgetMessage();
    listMessages(unreadOnly);
}

void MimeInbox::forgetMessage()
{
    m_selected = -1;
    m_message = MailMessage();
}

void MimeInbox::select(int index)
{
    if (index < 0 || index >= count())
        throw MailInboxError(QStringLiteral("No message %1 in the inbox").arg(index + 1));
    forgetMessage();
    m_message = MailMessage(readMessage(index));
    m_selected = index;
}

int MimeInbox::selected() const
{
    if (m_selected < 0)
        throw MailInboxError(QStringLiteral("No message selected"));
    return m_selected;
}

int MimeInbox::attachmentType() const
{
    if (m_message.attachments().isEmpty())
        return DataFile;
    return m_message.attachments().constFirst().type;
}

QString MimeInbox::attachmentPath()
{
    const int index = selected();
    if (m_message.attachments().isEmpty())
        return {};
    return m_attachments.save(m_message.attachments().constFirst().data, index + 1);
}

void MimeInbox::markRead()
{
    markMessageRead(selected());
}

bool MimeInbox::signOff()
{
    m_attachments.remove();
    forgetMessage();
    return closeMailbox();
}
