#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// An SMTP server on 127.0.0.1 that does what a test tells it: a reply per command word, or
// hanging up, or a reply sent in two pieces. It keeps every byte it received.
class ScriptedSmtpServer : public QObject
{
    Q_OBJECT
public:
    // The commands by their first word; the end of the message data is ".".
    ScriptedSmtpServer();

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

    void setGreeting(const QByteArray& greeting) { m_greeting = greeting; }
    // The reply, with its line ends; with a split the first bytes go at once, the rest later.
    void setReply(const QByteArray& verb, const QByteArray& reply, int splitAt = -1)
    {
        m_steps[verb] = {Action::Reply, reply, splitAt};
    }
    void setHangUp(const QByteArray& verb) { m_steps[verb] = {Action::HangUp, {}, -1}; }

    int connections() const { return m_connections; }
    // Everything the client sent on the last connection.
    QByteArray received() const { return m_received; }
    // The command lines of the last connection, without their line ends.
    QList<QByteArray> commands() const { return m_commands; }
    // The bytes between the reply to DATA and the line ".", as sent.
    QByteArray data() const { return m_data; }

private:
    enum class Action { Reply, HangUp };
    struct Step
    {
        Action action = Action::Reply;
        QByteArray reply;
        int splitAt = -1;
    };

    void accept();
    void read();
    void respond(const QByteArray& verb);

    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
    QByteArray m_greeting = "220 scripted.test ESMTP\r\n";
    QHash<QByteArray, Step> m_steps;
    int m_connections = 0;
    QByteArray m_received;
    QByteArray m_pending;
    QList<QByteArray> m_commands;
    QByteArray m_data;
    bool m_inData = false;
};
