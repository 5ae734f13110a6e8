#pragma once

#include "PythonServer.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// How a test's SMTP server protects and guards itself.
struct SmtpSinkOptions
{
    enum class Tls { None, StartTls, Implicit };
    Tls tls = Tls::None;
    QString certificateFile; // PEM certificate chain and key, for any TLS
    QString keyFile;
    QString user; // when set, only this user with this password may send
    QString password;
    QStringList excludedMechanisms; // AUTH mechanisms not offered ("PLAIN")
    // Takes in the message data, then never answers its end: the client waits as it would on
    // a server that hangs. Nothing is stored; heldData() shows what came.
    bool stallAtEndOfData = false;
};

// A real SMTP server for tests and benchmarks: Debian's aiosmtpd on 127.0.0.1 on a free port,
// storing what arrives in a Maildir (or dropping it).
class SmtpSink
{
public:
    enum class Store { Maildir, Discard };

    explicit SmtpSink(Store store = Store::Maildir);
    explicit SmtpSink(const SmtpSinkOptions& options, Store store = Store::Maildir);

    bool isRunning() const { return m_server.isRunning(); }
    quint16 port() const { return m_server.port(); }
    // As SMTP_Server_Address holds it: host, colon, port.
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }
    QString errorText() const { return m_server.errorText(); } // why the server did not start

    // The stored messages, oldest first, as aiosmtpd wrote them: the message with the headers
    // X-Peer, X-MailFrom and X-RcptTo added, lines ending in LF.
    QList<QByteArray> messages() const;
    // A message read by Python's email package: "headers" (name to decoded text), "body"
    // (the decoded text of the body), "content_type", "date" (the Date header in ISO 8601,
    // empty when it does not parse), "from" and "to" (display name and address), "defects".
    static QJsonObject decoded(const QByteArray& message);

    // Sessions the server has seen, counted when they connect.
    int connections() const;
    // With stallAtEndOfData: the data of the messages whose end the server left unanswered.
    QByteArray heldData() const;

private:
    void start(const SmtpSinkOptions& options, Store store);

    QTemporaryDir m_dir;
    PythonServer m_server;
};
