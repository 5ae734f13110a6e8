#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's dovecot serving IMAP on 127.0.0.1 for one test: started in the foreground with
// dovecot.conf beside this file, its state and logs in a temporary folder, on a free port. Any
// user name logs in with Password; every user's mail is the Maildir maildir().
class DovecotServer
{
public:
    static inline const QString User = QStringLiteral("tester");
    static inline const QString Password = QStringLiteral("secret");

    DovecotServer() = default;
    ~DovecotServer() { stop(); }
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // False, with whyNot(), when dovecot cannot be started on this machine.
    bool start();
    void stop();
    QString whyNot() const { return m_whyNot; }

    QString imapUrl() const { return QStringLiteral("imap://127.0.0.1:%1").arg(m_port); }
    // The Maildir behind INBOX; a test writes messages into it and reads their flags there.
    QString maildir() const { return m_dir.filePath("mail"); }
    // Whether the server has taken in this many messages. Waiting for it after each delivery
    // makes the sequence numbers follow the order of delivery, not the times in the names.
    bool holds(int messages) const;

private:
    bool prepareAccounts();
    QString configuration() const;
    bool waitForGreeting();

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_whyNot;
    quint16 m_port = 0;
    // Who the server's processes run as: the current user, or dovecot's own accounts when the
    // test runs as root (dovecot will not serve mail as root).
    QString m_internalUser;
    QString m_internalGroup;
    QString m_loginUser;
    uint m_mailUid = 0;
    uint m_mailGid = 0;
};
