#pragma once

#include "platform/mail/MimeInbox.h"

#include <QUrl>
#include <memory>

class ImapConnection;

// The INBOX folder of an IMAP server given as imap://host[:port] or imaps://host[:port].
// Messages come in order of sequence number; bodies are fetched with PEEK, so only markRead
// sets \Seen. TLS certificates are checked against the ones the system trusts. VMime blocks for
// as long as the server is silent, so every call to it runs on a thread of its own while the
// caller's event loop runs: the windows stay alive and Cancel is seen while a run waits.
class ImapInbox : public MimeInbox
{
public:
    ImapInbox(const QString& address, const QString& user, const QString& password);
    ~ImapInbox() override;

    static bool isImapAddress(const QString& text);
    // A password goes over a connection without TLS only to a loopback address (a local mail
    // bridge). Tests, whose servers all listen on 127.0.0.1, turn this off to reach the refusal;
    // the program never does.
    static void setLoopbackTrusted(bool trusted);

    int count() const override { return m_count; }

protected:
    bool openMailbox() override;
    void listMessages(bool unreadOnly) override;
    QByteArray readMessage(int index) override;
    void markMessageRead(int index) override;
    bool closeMailbox() override;

private:
    QString server() const;
    bool mayLoginInClear() const;
    ImapConnection& connection() const;
    [[noreturn]] void lost(const std::exception& failure) const;

    QUrl m_address;
    QString m_user;
    QString m_password;
    std::unique_ptr<ImapConnection> m_connection;
    int m_count = 0;
};
