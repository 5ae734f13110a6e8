#pragma once

#include <QByteArray>
#include <QString>

// A Maildir that a test fills as a delivery agent would: each message under a unique name that
// begins with its delivery time, into new/ (unread, not yet seen by any mail program) or into
// cur/ with flags.
class TestMaildir
{
public:
    // Makes cur/, new/ and tmp/ in the folder when they are missing.
    explicit TestMaildir(const QString& folder);

    const QString& folder() const { return m_folder; }

    // Returns the message's unique name (its file name up to the flags).
    QString deliverNew(const QByteArray& message, qint64 deliveredSeconds);
    QString deliverCur(const QByteArray& message, qint64 deliveredSeconds, const QString& flags);

    // Where the message lies now ("" when it is gone), and its state there: "new" for new/,
    // otherwise the flags after ":2," in cur/.
    QString pathOf(const QString& unique) const;
    QString stateOf(const QString& unique) const;
    bool isRead(const QString& unique) const;

private:
    QString uniqueName(qint64 deliveredSeconds);
    QString deliver(const QString& subfolder, const QString& name, const QByteArray& message);

    QString m_folder;
    int m_delivered = 0;
};
