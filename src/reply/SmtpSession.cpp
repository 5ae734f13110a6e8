#include "reply/SmtpSession.h"

#include "common/ErrorReporter.h"
#include "reply/SmtpMessage.h"
#include "settings/SystemSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <cctype>

namespace {
constexpr qsizetype ServerWordsLimit = 200;
constexpr int AuthSucceeded = 235;
constexpr int AuthContinue = 334;
constexpr int AuthRequired = 530;
} // namespace

SmtpSession::SmtpSession(const SystemSettings& settings, ErrorReporter& errors, QObject* parent)
    : QObject(parent), m_settings(settings), m_errors(errors), m_socket(new QSslSocket(this))
{
    m_socket->setObjectName(QStringLiteral("wskMain"));
}

SmtpSession::~SmtpSession()
{
    m_socket->abort();
}

std::optional<std::pair<QString, quint16>> SmtpSession::serverAddress(const QString& text,
                                                                     quint16 defaultPort)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::pair{text, defaultPort};
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

std::optional<QByteArray> SmtpSession::extension(const QByteArray& ehloReply,
                                                 const QByteArray& name)
{
    // The first line greets; each further one is "250-NAME params" or "250 NAME params". Old
    // servers still write "AUTH=PLAIN LOGIN".
    const QList<QByteArray> lines = ehloReply.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.size() < 4)
            continue;
        const QByteArray text = line.mid(4);
        if (!text.toUpper().startsWith(name.toUpper()))
            continue;
        if (text.size() == name.size())
            return QByteArray();
        const char next = text[name.size()];
        if (next == ' ' || next == '=')
            return text.mid(name.size() + 1).trimmed();
    }
    return std::nullopt;
}

bool SmtpSession::isLoopback(const QString& host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           QHostAddress(host).isLoopback();
}

bool SmtpSession::mayLoginInClear(const QString& host) const
{
    return m_loopbackTrusted && isLoopback(host);
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
    connect(m_socket, &QSslSocket::encrypted, &loop, &QEventLoop::quit);
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
    const SystemSettings::Security security = m_settings.smtpSecurity();
    const quint16 port = security == SystemSettings::Security::Tls        ? TlsPort
                         : security == SystemSettings::Security::StartTls ? SubmissionPort
                                                                          : DefaultPort;
    const auto address = serverAddress(server, port);
    m_replyBuffer.clear();
    if (address) {
        m_onWire = true;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        if (!m_authorities.isEmpty())
            config.addCaCertificates(m_authorities);
        m_socket->setSslConfiguration(config);
        m_socket->setPeerVerifyName(address->first);
        m_socket->connectToHost(address->first, address->second);
        // A connection gets as long as a reply of the server would.
        const QDeadlineTimer deadline(ReplyLimitMs);
        while (m_socket->state() != QAbstractSocket::ConnectedState &&
               m_socket->state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired())
            waitForSocket(deadline);
    }
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        m_socket->abort();
        report(ErrorCode::SmtpConnection);
        return false;
    }
    // Lines go out as they are written, not after the server's acknowledgement.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (security != SystemSettings::Security::Tls)
        return true;
    m_socket->startClientEncryption();
    return awaitEncryption();
}

bool SmtpSession::awaitEncryption()
{
    const QDeadlineTimer deadline(m_replyLimitMs);
    while (!m_socket->isEncrypted() && m_socket->state() == QAbstractSocket::ConnectedState &&
           !deadline.hasExpired())
        waitForSocket(deadline);
    if (m_socket->isEncrypted())
        return true;
    // A certificate that fails the check is never accepted anyway; any other failure of the
    // handshake means the server offers no TLS that this side can speak.
    const bool certificate = !m_socket->sslHandshakeErrors().isEmpty();
    return fail(certificate ? ErrorCode::SmtpUntrusted : ErrorCode::SmtpNotSecure);
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
    m_lastCode = 0;
    const QDeadlineTimer deadline(m_replyLimitMs);
    for (;;) {
        m_replyBuffer += m_socket->readAll();
        // The code of the reply's last line decides, not "250" anywhere in the text; an error
        // reply fails the step at once.
        if (const auto code = finalReplyCode(m_replyBuffer)) {
            m_lastCode = *code;
            return *code == expectedCode;
        }
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

void SmtpSession::report(const QString& message)
{
    noteServerWords();
    if (m_checking)
        m_checkFailure = message;
    else
        m_errors.ReportError(message);
}

void SmtpSession::noteServerWords()
{
    if (!m_onWire) {
        m_serverWords.clear();
        return;
    }
    if (m_socket->isOpen())
        m_replyBuffer += m_socket->readAll();
    QList<QByteArray> lines = m_replyBuffer.split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        m_serverWords = QStringLiteral("   Server said nothing");
        return;
    }
    QString said = QString::fromUtf8(lines.last()).remove(QLatin1Char('\r')).left(ServerWordsLimit);
    // A server that echoes what it was sent must not put the password into the log.
    const QString password = m_settings.text(SystemSettings::MAPI_Password);
    if (!password.isEmpty())
        said.replace(password, QStringLiteral("***"));
    m_serverWords = QStringLiteral("   Server said: ") + said;
}

bool SmtpSession::fail(const QString& message)
{
    noteServerWords();
    const QString words = m_serverWords;
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write("QUIT\r\n");
    closeConnection();
    report(message);
    // Closing read nothing new: the words are those of the failed step.
    m_serverWords = words;
    return false;
}

bool SmtpSession::startTls()
{
    if (!SmtpCommand("STARTTLS", 220))
        return fail(ErrorCode::SmtpNotSecure);
    // What follows the handshake is the server's new word, not the STARTTLS reply.
    m_replyBuffer.clear();
    m_socket->startClientEncryption();
    return awaitEncryption();
}

bool SmtpSession::authenticate(const QByteArray& mechanisms)
{
    const QByteArray user = m_settings.text(SystemSettings::MAPI_ID).toUtf8();
    const QByteArray password = m_settings.text(SystemSettings::MAPI_Password).toUtf8();
    const QList<QByteArray> offered = mechanisms.toUpper().split(' ');
    bool accepted = false;
    if (offered.contains("PLAIN")) {
        accepted = SmtpCommand("AUTH PLAIN " + ('\0' + user + '\0' + password).toBase64(),
                               AuthSucceeded);
    } else if (offered.contains("LOGIN")) {
        accepted = SmtpCommand("AUTH LOGIN", AuthContinue) &&
                   SmtpCommand(user.toBase64(), AuthContinue) &&
                   SmtpCommand(password.toBase64(), AuthSucceeded);
    } else {
        // Nothing this side speaks: the server says at MAIL FROM whether it needs a login.
        return true;
    }
    m_loggedIn = accepted;
    return accepted || fail(ErrorCode::SmtpLoginRefused);
}

bool SmtpSession::signOn()
{
    m_onWire = false;
    m_loggedIn = false;
    m_serverWords.clear();
    // A line break would end the command that carries the name and start one of its own.
    if (SmtpMessage::holdsLineBreak(m_settings.text(SystemSettings::MAPI_ID)) ||
        SmtpMessage::holdsLineBreak(m_settings.text(SystemSettings::MAPI_Password))) {
        report(ErrorCode::SmtpLoginRefused);
        return false;
    }
    const QString server = m_settings.text(SystemSettings::SMTP_Server_Address);
    if (!SmtpConnect(server)) {
        closeConnection();
        return false;
    }
    if (!awaitReply(220))
        return fail(ErrorCode::SmtpCommunication);

    const SystemSettings::Security security = m_settings.smtpSecurity();
    const bool login = !m_settings.text(SystemSettings::MAPI_ID).isEmpty();
    const QString host = serverAddress(server)->first;
    // Without TLS a password goes only to a local mail bridge; elsewhere the dialogue stays the
    // plain one of old servers.
    if (security == SystemSettings::Security::None && !(login && mayLoginInClear(host)))
        return SmtpCommand("HELO " + localHostName(), 250) || fail(ErrorCode::SmtpCommunication);

    if (!SmtpCommand("EHLO " + localHostName(), 250))
        return fail(ErrorCode::SmtpCommunication);
    if (security == SystemSettings::Security::StartTls) {
        if (!extension(m_replyBuffer, "STARTTLS"))
            return fail(ErrorCode::SmtpNotSecure);
        if (!startTls())
            return false;
        if (!SmtpCommand("EHLO " + localHostName(), 250))
            return fail(ErrorCode::SmtpCommunication);
    }
    if (!login)
        return true;
    const auto mechanisms = extension(m_replyBuffer, "AUTH");
    return !mechanisms || authenticate(*mechanisms);
}

bool SmtpSession::loginNotRequired()
{
    if (m_loggedIn)
        return true;
    // Only a sender tells whether the server wants a login; the null sender of a bounce is one
    // that every server must take, and RSET withdraws it.
    if (!SmtpCommand("MAIL FROM:<>", 250) && m_lastCode == AuthRequired)
        return fail(ErrorCode::SmtpLoginRefused);
    SmtpCommand("RSET", 250);
    return true;
}

QString SmtpSession::CheckAccount()
{
    m_checking = true;
    m_checkFailure.reset();
    if (signOn() && loginNotRequired()) {
        SmtpCommand("QUIT", 221);
        closeConnection();
    }
    m_checking = false;
    return m_checkFailure.value_or(QString());
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
    // No server takes a longer one, and no header line could hold it.
    if (SmtpMessage::holdsLongAddress(sender)) {
        m_errors.ReportError(ErrorCode::SmtpWrongFrom);
        return false;
    }
    if (SmtpMessage::holdsLongAddress(recipient)) {
        m_errors.ReportError(ErrorCode::SmtpWrongTo);
        return false;
    }

    if (!signOn())
        return false;
    if (!SmtpCommand("MAIL FROM:<" + SmtpMessage::envelopeAddress(sender).toUtf8() + '>', 250))
        return fail(m_lastCode == AuthRequired ? ErrorCode::SmtpLoginRefused
                                               : ErrorCode::SmtpWrongFrom);
    if (!SmtpCommand("RCPT TO:<" + SmtpMessage::envelopeAddress(recipient).toUtf8() + '>', 250))
        return fail(ErrorCode::SmtpWrongTo);
    if (!SmtpCommand("DATA", 354))
        return fail(ErrorCode::SmtpSendMailFailed);

    const SmtpMessage message(QDateTime::currentDateTime(), sender, recipient, subject, body);
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
