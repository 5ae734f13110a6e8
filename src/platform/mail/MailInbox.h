#pragma once

#include <QString>
#include <functional>
#include <memory>

class MailLogon;
struct MailProfile;

// The user's mail inbox as a processing run sees it, one operation per step of the run:
//
//   signOn, fetch(unreadOnly), count, then per message select(i), originator, bodyText,
//   attachmentCount, attachmentType, attachmentPath, markRead (once the message is accounted
//   for and its reply has been sent, printed and recorded), and signOff at the end.
//
// signOn reports failure through its result and errorDescription(). Once signed on, a failure of
// the mailbox itself (a folder that vanished, a dropped connection) throws MailInboxError.
class MailInbox
{
public:
    enum AttachmentType
    {
        DataFile = 0,
        EmbeddedObject = 1
    };

    virtual ~MailInbox() = default;

    virtual bool signOn() = 0;
    // Why the last sign-on failed, in words the user can act on.
    virtual QString errorDescription() const = 0;

    // Lists the messages, oldest first. Reading a message never changes its read state.
    virtual void fetch(bool unreadOnly) = 0;
    virtual int count() const = 0;
    // index from 0 up to count() - 1.
    virtual void select(int index) = 0;

    // Of the selected message: the sender's address, the text of its first plain-text part,
    // and its attachments (an attached message or embedded object is EmbeddedObject).
    virtual QString originator() const = 0;
    virtual QString bodyText() const = 0;
    // True for mail that a program sent on its own (an auto-reply, a bounce, a list): answering
    // it could start a loop of replies between two programs.
    virtual bool isAutomatic() const = 0;
    virtual int attachmentCount() const = 0;
    virtual int attachmentType() const = 0;
    // The first attachment's bytes saved under a made-up name in a private folder that lives
    // until sign-off; empty when the message has no attachment.
    virtual QString attachmentPath() = 0;
    virtual void markRead() = 0;

    // Removes the saved attachments; false when the mailbox could not be closed cleanly.
    virtual bool signOff() = 0;

    // Takes what the user gave the logon, to sign on with it from then on.
    using KeepAccount = std::function<void(const MailProfile&)>;
    // The inbox of the user's mail account. Sign-on asks through the logon when there is no
    // inbox to open (no folder given and no ~/Maildir), when the server refuses the login or
    // when an IMAP account has no user name; what signs on is handed to keep.
    static std::unique_ptr<MailInbox> forAccount(MailLogon& logon, const MailProfile& account,
                                                 KeepAccount keep);
};

// Opens the user's mail inbox for a run; an empty factory, or nullptr from it, means there is no
// inbox to sign on to.
using MailInboxFactory = std::function<std::unique_ptr<MailInbox>()>;
