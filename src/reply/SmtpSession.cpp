#include "reply/SmtpSession.h"

#include "common/ErrorReporter.h"
#include "reply/SmtpMessage.h"
#include "settings/SystemSettings.h"

#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QHostInfo>
#include <QLocale>
#include <QTcpSocket>
#include <QTimer>
#include <cctype>

SmtpSession::SmtpSession(const SystemSettings& settings, ErrorReporter& errors, QObject* parent)
    : QObject(parent), m_settings(settings), m_errors(errors), m_socket(new QTcpSocket(this))
{
    m_socket->setObjectName(QStringLiteral("wskMain"));
}

SmtpSession::~SmtpSession()
{
    m_socket->abort();
}

std::optional<std::pair<QString, quint16>> SmtpSession::serverAddress(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::pair{text, quint16(DefaultPort)};
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return std::pair{text.left(colon), quint16(port)};
}

std::optional<int> SmtpSession::finalReplyCode(const QByteArray& reply)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = reply.indexOf('\n', start);
        if (end < 0)
            return std::nullopt;
        const QByteArray line = reply.mid(start, end - start);
        start = end + 1;
        const bool coded = line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                           std::isdigit(static_cast<unsigned char>(line[1])) &&
                           std::isdigit(static_cast<unsigned char>(line[2]));
        if (!coded)
            return 0;
        // "250-" continues a multi-line reply; "250 ", "250" alone or "250\r" ends it.
        if (line.size() > 3 && line[3] == '-')
            continue;
        return line.left(3).toInt();
    }
}

QByteArray SmtpSession::localHostName()
{
    const QString name = QHostInfo::localHostName();
    return name.isEmpty() ? QByteArray("localhost") : name.toUtf8();
}

void SmtpSession::waitForSocket(const QDeadlineTimer& deadline)
{
    // Wakes as soon as the socket has news; until then the event loop serves the windows.
    QEventLoop loop;
    connect(m_socket, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    connect(m_socket, &QAbstractSocket::stateChanged, &loop, &QEventLoop::quit);
    connect(m_socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(int(qBound(qint64(0), deadline.remainingTime(), qint64(ReplyLimitMs))));
    loop.exec();
}

bool SmtpSession::SmtpConnect(const QString& server)
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    const auto address = serverAddress(server);
    if (address) {
        m_socket->connectToHost(address->first, address->second);
        // A connection gets as long as a reply of the server would.
        const QDeadlineTimer deadline(ReplyLimitMs);
        while (m_socket->state() != QAbstractSocket::ConnectedState &&
               m_socket->state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired())
            waitForSocket(deadline);
    }
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        // Lines go out as they are written, not after the server's acknowledgement.
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }
    m_socket->abort();
    m_errors.ReportError(ErrorCode::SmtpConnection);
    return false;
}

void SmtpSession::SmtpSendLine(const QByteArray& line)
{
    m_socket->write(line.contains('\n') ? line : line + "\r\n");
    // The windows get their turn, but the line waits in the socket's buffer: the message
    // leaves in one piece when the end of data is sent, not as a packet per line.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
}

bool SmtpSession::awaitReply(int expectedCode)
{
    const QDeadlineTimer deadline(m_replyLimitMs);
    for (;;) {
        m_replyBuffer += m_socket->readAll();
        // The code of the reply's last line decides, not "250" anywhere in the text; an error
        // reply fails the step at once.
        if (const auto code = finalReplyCode(m_replyBuffer))
            return *code == expectedCode;
        if (m_socket->state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
            return false;
        waitForSocket(deadline);
    }
}

bool SmtpSession::SmtpCommand(const QByteArray& command, int expectedCode)
{
    m_replyBuffer.clear();
    m_socket->write(command + "\r\n");
    m_socket->flush();
    return awaitReply(expectedCode);
}

void SmtpSession::closeConnection()
{
    m_socket->flush();
    m_socket->close();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
}

bool SmtpSession::fail(const QString& message)
{
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write("QUIT\r\n");
    closeConnection();
    m_errors.ReportError(message);
    return false;
}

bool SmtpSession::SendMail(const QString& recipient, const QString& sender,
                           const QString& subject, const QString& body)
{
    // A line break in an address would start a command of its own.
    if (SmtpMessage::holdsLineBreak(sender)) {
        m_errors.ReportError(ErrorCode::SmtpWrongFrom);
        return false;
    }
    if (SmtpMessage::holdsLineBreak(recipient)) {
        m_errors.ReportError(ErrorCode::SmtpWrongTo);
        return false;
    }

    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        if (!SmtpConnect(m_settings.text(SystemSettings::SMTP_Server_Address))) {
            closeConnection();
            return false;
        }
        m_replyBuffer.clear();
        if (!awaitReply(220))
            return fail(ErrorCode::SmtpCommunication);
    }
    if (!SmtpCommand("HELO " + localHostName(), 250))
        return fail(ErrorCode::SmtpCommunication);
    if (!SmtpCommand("MAIL FROM:<" + SmtpMessage::envelopeAddress(sender).toUtf8() + '>', 250))
        return fail(ErrorCode::SmtpWrongFrom);
    if (!SmtpCommand("RCPT TO:<" + SmtpMessage::envelopeAddress(recipient).toUtf8() + '>', 250))
        return fail(ErrorCode::SmtpWrongTo);
    if (!SmtpCommand("DATA", 354))
        return fail(ErrorCode::SmtpSendMailFailed);

    const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
    const SmtpMessage message(date, sender, recipient, subject, body);
    // A header folded over several lines holds line feeds, so each gets its CR LF here.
    for (const QByteArray& header : message.headerLines())
        SmtpSendLine(header + "\r\n");
    SmtpSendLine(QByteArray());
    const QByteArray bytes = message.body();
    SmtpSendLine(bytes);
    const bool endsWithCrlf = !bytes.contains('\n') || bytes.endsWith("\r\n");
    if (!endsWithCrlf)
        SmtpSendLine(QByteArray());
    if (!SmtpCommand(".", 250))
        return fail(ErrorCode::SmtpSendMailFailed);

    SmtpSendLine("QUIT");
    closeConnection();
    return true;
}
