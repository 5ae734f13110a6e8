#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <optional>
#include <utility>

class ErrorReporter;
class QSslSocket;
class SystemSettings;

// Sends one plain-text message through the configured SMTP server, with the security that
// SMTP_Security names (none, STARTTLS, TLS from the first byte) and, when MAPI_ID is set,
// signed on with AUTH PLAIN or LOGIN. Every wait runs the event loop, so the windows stay alive
// during a send; each failed step shows its numbered box. One connection per message.
class SmtpSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultPort = 25;
    static constexpr int SubmissionPort = 587;
    static constexpr int TlsPort = 465;
    static constexpr int ReplyLimitMs = 60000;

    SmtpSession(const SystemSettings& settings, ErrorReporter& errors, QObject* parent = nullptr);
    ~SmtpSession() override;

    // True when the server accepted the message data.
    bool SendMail(const QString& recipient, const QString& sender, const QString& subject,
                  const QString& body);

    // Signs on as a send would (connection, TLS, login) and says goodbye, showing no box.
    // Empty when all went well, else the text of the message that a send would show.
    QString CheckAccount();
    // For the event log after a failed send: "   Server said: " and the server's last line, or
    // "   Server said nothing"; empty when the send failed before anything went over the wire.
    QString serverWords() const { return m_serverWords; }

    // True when connected (and, for TLS, encrypted); shows the failure's box itself when not.
    bool SmtpConnect(const QString& server);
    // Sends the bytes, followed by CR LF unless they hold a line feed already.
    void SmtpSendLine(const QByteArray& line);
    // Sends a command line and waits for the server's reply; true when its code is expected.
    bool SmtpCommand(const QByteArray& command, int expectedCode);

    // Host and port of an SMTP_Server_Address text: port 25 unless a ":" follows the host, in
    // which case all of the text after it is the port. nullopt when that is no port number.
    static std::optional<std::pair<QString, quint16>> serverAddress(const QString& text,
                                                                    quint16 defaultPort = DefaultPort);
    // The code of the last line of a complete reply; nullopt while the reply is incomplete.
    // A line that does not start with three digits is answered by 0, which no step expects.
    static std::optional<int> finalReplyCode(const QByteArray& reply);
    // The parameters of an extension in an EHLO reply ("AUTH" gives "PLAIN LOGIN"); nullopt
    // when the server does not offer it.
    static std::optional<QByteArray> extension(const QByteArray& ehloReply, const QByteArray& name);
    static bool isLoopback(const QString& host);

    // The longest wait for one reply; tests shorten it.
    void setReplyLimit(int milliseconds) { m_replyLimitMs = milliseconds; }
    // Seams for tests, whose servers carry certificates of their own authority and all listen on
    // 127.0.0.1; the program trusts only the system's certificates and every loopback address.
    void trustAuthorities(const QList<QSslCertificate>& authorities) { m_authorities = authorities; }
    void setLoopbackTrusted(bool trusted) { m_loopbackTrusted = trusted; }

private:
    bool signOn();
    bool startTls();
    bool authenticate(const QByteArray& mechanisms);
    bool loginNotRequired();
    bool awaitEncryption();
    bool awaitReply(int expectedCode);
    void waitForSocket(const QDeadlineTimer& deadline);
    bool mayLoginInClear(const QString& host) const;
    void report(const QString& message);
    bool fail(const QString& message);
    void noteServerWords();
    void closeConnection();
    static QByteArray localHostName();

    const SystemSettings& m_settings;
    ErrorReporter& m_errors;
    QSslSocket* m_socket;
    QByteArray m_replyBuffer;
    int m_lastCode = 0;
    bool m_onWire = false;
    bool m_loggedIn = false;
    QString m_serverWords;
    // While an account check runs, failures land here instead of in a box.
    std::optional<QString> m_checkFailure;
    bool m_checking = false;
    int m_replyLimitMs = ReplyLimitMs;
    QList<QSslCertificate> m_authorities;
    bool m_loopbackTrusted = true;
};
