#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <optional>
#include <utility>

class ErrorReporter;
class QTcpSocket;
class SystemSettings;

// Sends one plain-text message through the configured SMTP server: HELO, MAIL FROM, RCPT TO,
// DATA, four header lines, the body, end of data and QUIT, without authentication. Every wait
// runs the event loop, so the windows stay alive during a send; each failed step shows its
// numbered box. One connection per message.
class SmtpSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultPort = 25;
    static constexpr int ReplyLimitMs = 60000;

    SmtpSession(const SystemSettings& settings, ErrorReporter& errors, QObject* parent = nullptr);
    ~SmtpSession() override;

    // True when the server accepted the message data.
    bool SendMail(const QString& recipient, const QString& sender, const QString& subject,
                  const QString& body);

    // True when connected; shows BV_0101 itself when not.
    bool SmtpConnect(const QString& server);
    // Sends the bytes, followed by CR LF unless they hold a line feed already.
    void SmtpSendLine(const QByteArray& line);
    // Sends a command line and waits for the server's reply; true when its code is expected.
    bool SmtpCommand(const QByteArray& command, int expectedCode);

    // Host and port of an SMTP_Server_Address text: port 25 unless a ":" follows the host, in
    // which case all of the text after it is the port. nullopt when that is no port number.
    static std::optional<std::pair<QString, quint16>> serverAddress(const QString& text);
    // The code of the last line of a complete reply; nullopt while the reply is incomplete.
    // A line that does not start with three digits is answered by 0, which no step expects.
    static std::optional<int> finalReplyCode(const QByteArray& reply);

    // The longest wait for one reply; tests shorten it.
    void setReplyLimit(int milliseconds) { m_replyLimitMs = milliseconds; }

private:
    bool awaitReply(int expectedCode);
    void waitForSocket(const QDeadlineTimer& deadline);
    bool fail(const QString& message);
    void closeConnection();
    static QByteArray localHostName();

    const SystemSettings& m_settings;
    ErrorReporter& m_errors;
    QTcpSocket* m_socket;
    QByteArray m_replyBuffer;
    int m_replyLimitMs = ReplyLimitMs;
};
