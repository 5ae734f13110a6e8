#include "platform/mail/ImapInbox.h"

#include "common/EventLoopWait.h"
#include "platform/mail/ImapConnection.h"
#include "platform/mail/MailInboxError.h"

#include <QHostAddress>
#include <vmime/security/cert/certificateException.hpp>
#include <vmime/vmime.hpp>

namespace {
const QString Imap = QStringLiteral("imap");
const QString Imaps = QStringLiteral("imaps");
bool loopbackTrusted = true;
} // namespace

void ImapInbox::setLoopbackTrusted(bool trusted)
{
    loopbackTrusted = trusted;
}

bool ImapInbox::mayLoginInClear() const
{
    if (!loopbackTrusted)
        return false;
    const QString host = m_address.host();
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           QHostAddress(host).isLoopback();
}

ImapInbox::ImapInbox(const QString& address, const QString& user, const QString& password)
    : m_address(address.trimmed()), m_user(user), m_password(password)
{
    if (m_user.isEmpty())
        m_user = m_address.userName();
}

ImapInbox::~ImapInbox() = default;

bool ImapInbox::isImapAddress(const QString& text)
{
    const QString scheme = QUrl(text.trimmed()).scheme().toLower();
    return scheme == Imap || scheme == Imaps;
}

QString ImapInbox::server() const
{
    const bool secure = m_address.scheme().toLower() == Imaps;
    return QStringLiteral("%1:%2").arg(m_address.host()).arg(m_address.port(secure ? 993 : 143));
}

bool ImapInbox::openMailbox()
{
    m_count = 0;
    closeMailbox();
    if (!isImapAddress(m_address.toString()) || m_address.host().isEmpty())
        return fail(
            QStringLiteral("Mail server address %1 is not valid").arg(m_address.toString()));
    // Treated as a refused login, so that the logon asks for the name.
    if (m_user.isEmpty())
        return fail(QStringLiteral("No user name given for %1").arg(m_address.host()), true);
    const bool secure = m_address.scheme().toLower() == Imaps;
    const ImapConnection::Address address{
        secure, m_address.host(), m_address.port(secure ? 993 : 143),
        m_user, m_password,       !secure && !mayLoginInClear()};
    try {
        EventLoopWait::whileWorking(
            [&] { m_connection = std::make_unique<ImapConnection>(address); });
        return true;
    } catch (const vmime::exceptions::command_error& e) {
        // With TLS required, a refused or unknown STARTTLS ends the sign-on before the login.
        if (e.command() == "STARTTLS")
            return fail(
                QStringLiteral("Server %1 offers no secure connection").arg(m_address.host()));
        return fail(
            QStringLiteral("Mail server %1 failed: %2").arg(server(), QString::fromUtf8(e.what())));
    } catch (const vmime::exceptions::authentication_error&) {
        return fail(QStringLiteral("Login refused by %1").arg(m_address.host()), true);
    } catch (const vmime::exceptions::authentication_exception&) {
        return fail(QStringLiteral("Login refused by %1").arg(m_address.host()), true);
    } catch (const vmime::security::cert::certificateException&) {
        return fail(QStringLiteral("Certificate of %1 is not trusted").arg(m_address.host()));
    } catch (const vmime::exceptions::tls_exception&) {
        return fail(QStringLiteral("Secure connection to %1 failed").arg(server()));
    } catch (const vmime::exceptions::connection_error&) {
        return fail(QStringLiteral("Connection refused by %1").arg(server()));
    } catch (const vmime::exceptions::operation_timed_out&) {
        return fail(QStringLiteral("No answer from %1").arg(server()));
    } catch (const vmime::exceptions::folder_not_found&) {
        return fail(QStringLiteral("Folder INBOX not found on %1").arg(m_address.host()));
    } catch (const std::exception& e) {
        return fail(
            QStringLiteral("Mail server %1 failed: %2").arg(server(), QString::fromUtf8(e.what())));
    }
}

ImapConnection& ImapInbox::connection() const
{
    if (!m_connection)
        throw MailInboxError(QStringLiteral("Not signed on to %1").arg(server()));
    return *m_connection;
}

void ImapInbox::lost(const std::exception& failure) const
{
    throw MailInboxError(QStringLiteral("Mail server %1 failed: %2")
                             .arg(server(), QString::fromUtf8(failure.what())));
}

void ImapInbox::listMessages(bool unreadOnly)
{
    m_count = 0;
    try {
        ImapConnection& imap = connection();
        EventLoopWait::whileWorking([&] { m_count = imap.list(unreadOnly); });
    } catch (const vmime::exception& e) {
        lost(e);
    }
}

QByteArray ImapInbox::readMessage(int index)
{
    try {
        ImapConnection& imap = connection();
        QByteArray bytes;
        EventLoopWait::whileWorking([&] { bytes = imap.read(index); });
        return bytes;
    } catch (const vmime::exception& e) {
        lost(e);
    }
}

void ImapInbox::markMessageRead(int index)
{
    try {
        ImapConnection& imap = connection();
        EventLoopWait::whileWorking([&] { imap.markSeen(index); });
    } catch (const vmime::exception& e) {
        lost(e);
    }
}

bool ImapInbox::closeMailbox()
{
    m_count = 0;
    if (!m_connection)
        return true;
    bool closed = true;
    EventLoopWait::whileWorking([&] {
        try {
            m_connection->close();
        } catch (const std::exception&) {
            closed = false;
        }
        m_connection.reset();
    });
    return closed;
}
