#pragma once

#include "platform/mail/MailInbox.h"
#include "platform/mail/MailProfile.h"

class MailLogon;
class MimeInbox;

// The inbox of the user's mail account, opened at sign-on: a Maildir folder or an IMAP mailbox.
// Without an inbox the user's ~/Maildir is read when it exists. When there is nothing to open
// or the server refuses the login, the logon is asked, and asked again while what the user gave
// fails, until it succeeds (what worked is then kept) or the user cancels.
class ProfileInbox : public MailInbox
{
public:
    ProfileInbox(MailLogon& logon, const MailProfile& account, KeepAccount keep);
    ~ProfileInbox() override;

    // The inbox an account describes, not yet signed on.
    static std::unique_ptr<MimeInbox> open(const MailProfile& profile);
    // Signs on to the account's inbox and off again, asking nobody; empty when that worked,
    // else the reason it did not.
    static QString check(const MailProfile& account);

    bool signOn() override;
    QString errorDescription() const override { return m_error; }
    void fetch(bool unreadOnly) override;
    int count() const override;
    void select(int index) override;
    QString originator() const override;
    QString bodyText() const override;
    bool isAutomatic() const override;
    int attachmentCount() const override;
    int attachmentType() const override;
    QString attachmentPath() override;
    void markRead() override;
    bool signOff() override;

private:
    bool trySignOn(const MailProfile& profile);
    static bool haveInbox(const MailProfile& profile);
    static QString noDefaultFolder();
    MimeInbox& inbox() const;

    MailLogon& m_logon;
    MailProfile m_account;
    KeepAccount m_keep;
    std::unique_ptr<MimeInbox> m_inbox;
    QString m_error;
    bool m_loginRefused = false;
};
