#pragma once

#include <QString>
#include <stdexcept>

// A failure of the mailbox after sign-on; the description is meant for the event log.
class MailInboxError : public std::runtime_error
{
public:
    explicit MailInboxError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }

    const QString& description() const { return m_description; }

private:
    QString m_description;
};
