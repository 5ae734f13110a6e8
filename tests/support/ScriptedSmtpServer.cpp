#include "ScriptedSmtpServer.h"

#include <QTcpSocket>
#include <QTimer>

ScriptedSmtpServer::ScriptedSmtpServer()
{
    setReply("HELO", "250 scripted.test\r\n");
    setReply("MAIL", "250 2.1.0 Ok\r\n");
    setReply("RCPT", "250 2.1.5 Ok\r\n");
    setReply("DATA", "354 End data with <CR><LF>.<CR><LF>\r\n");
    setReply(".", "250 2.0.0 Ok: queued\r\n");
    setReply("QUIT", "221 2.0.0 Bye\r\n");
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedSmtpServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

void ScriptedSmtpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        m_client = socket;
        m_received.clear();
        m_pending.clear();
        m_commands.clear();
        m_data.clear();
        m_inData = false;
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedSmtpServer::read);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write(m_greeting);
    }
}

void ScriptedSmtpServer::read()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (!socket || socket != m_client)
        return;
    const QByteArray bytes = socket->readAll();
    m_received += bytes;
    m_pending += bytes;
    for (;;) {
        const qsizetype end = m_pending.indexOf("\r\n");
        if (end < 0)
            return;
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 2);
        if (m_inData) {
            if (line == ".") {
                m_inData = false;
                respond(".");
            } else {
                m_data += line + "\r\n";
            }
            continue;
        }
        m_commands << line;
        respond(line.split(' ').first().split(':').first().toUpper());
    }
}

void ScriptedSmtpServer::respond(const QByteArray& verb)
{
    const Step step = m_steps.value(verb, Step{Action::Reply, "500 unknown command\r\n", -1});
    QTcpSocket* socket = m_client;
    if (step.action == Action::HangUp) {
        socket->disconnectFromHost();
        return;
    }
    if (verb == "DATA" && step.reply.startsWith("354"))
        m_inData = true;
    if (step.splitAt < 0) {
        socket->write(step.reply);
        return;
    }
    socket->write(step.reply.left(step.splitAt));
    socket->flush();
    const QByteArray rest = step.reply.mid(step.splitAt);
    QTimer::singleShot(50, socket, [socket, rest] { socket->write(rest); });
}
