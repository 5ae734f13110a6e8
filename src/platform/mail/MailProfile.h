#pragma once

#include <QString>

// Which inbox the program reads and how it logs on, kept in the per-user settings store
// (application "Brevane", group "Mail Profile"). Inbox is a Maildir folder or an
// imap://host[:port] / imaps://host[:port] address; empty means the user's ~/Maildir.
struct MailProfile
{
    static inline const QString Group = QStringLiteral("Mail Profile");

    QString inbox;
    QString user;
    QString password;

    bool isEmpty() const { return inbox.isEmpty() && user.isEmpty() && password.isEmpty(); }
    bool operator==(const MailProfile&) const = default;

    static MailProfile load();
    // The store's file holds the password, so it is made readable by its owner only, before
    // and after writing. False when the store could not be written.
    bool save() const;
};
