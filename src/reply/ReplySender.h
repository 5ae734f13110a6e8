#pragma once

#include "reply/ResponseRecorder.h"
#include "reply/SmtpSession.h"

#include <QString>

class AppState;

// The reply to one decoded submission: merged from the template, sent to the submitter (asking
// for an address when the target has none), printed when so configured, and recorded.
class ReplySender
{
public:
    static inline const QString AddressPrompt = QStringLiteral("Email Reply To:");
    static inline const QString ReplySeparator = QStringLiteral("\r\n---------- Reply:\r\n");

    explicit ReplySender(AppState& state);

    // The target may change: the caller sees the address the user gave, or an empty text when
    // the user gave none.
    void SendReply(QString& replyTarget);

    SmtpSession& smtp() { return m_smtp; }
    ResponseRecorder& recorder() { return m_recorder; }

    static QString sendLine(const QString& target, bool sent);

private:
    // False when the user gave no address.
    bool askForAddress(QString& replyTarget);
    void print(const QString& preview);

    AppState& m_state;
    SmtpSession m_smtp;
    ResponseRecorder m_recorder;
};
