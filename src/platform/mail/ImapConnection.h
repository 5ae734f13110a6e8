#pragma once

#include <QByteArray>
#include <QString>
#include <vector>
#include <vmime/net/folder.hpp>
#include <vmime/net/message.hpp>
#include <vmime/net/store.hpp>

// A logged-in IMAP session with INBOX open for reading and writing, over VMime. Failures are
// thrown as VMime throws them; ImapInbox puts them into words.
class ImapConnection
{
public:
    struct Address
    {
        bool secure = false; // imaps: TLS from the first byte
        QString host;
        int port = 0;
        QString user;
        QString password;
        bool tlsRequired = false; // imap: fail unless STARTTLS succeeds, before any login
    };

    explicit ImapConnection(const Address& address);
    ~ImapConnection();
    ImapConnection(const ImapConnection&) = delete;
    ImapConnection& operator=(const ImapConnection&) = delete;

    // Lists INBOX in order of sequence number; returns the number of messages listed.
    int list(bool unreadOnly);
    // The whole message, fetched with BODY.PEEK so that reading does not mark it seen.
    QByteArray read(int index) const;
    void markSeen(int index);
    void close();

private:
    vmime::shared_ptr<vmime::net::store> m_store;
    vmime::shared_ptr<vmime::net::folder> m_folder;
    std::vector<vmime::shared_ptr<vmime::net::message>> m_messages;
};
