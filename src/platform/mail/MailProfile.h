#pragma once

#include <QString>

// The mail account: which inbox the program reads and how it signs on. Inbox is a Maildir folder
// or an imap://host[:port] / imaps://host[:port] address; empty means the user's ~/Maildir.
struct MailProfile
{
    // Earlier versions kept the account in the per-user settings store (application
    // "Brevane"), in this group.
    static inline const QString Group = QStringLiteral("Mail Profile");

    QString inbox;
    QString user;
    QString password;

    bool isEmpty() const { return inbox.isEmpty() && user.isEmpty() && password.isEmpty(); }
    bool operator==(const MailProfile&) const = default;

    // What the per-user store still holds of an earlier version's account; empty when nothing.
    static MailProfile stored();
    // Removes that group, so that no second copy of the password stays behind. False when the
    // store could not be written.
    static bool removeStored();
};
