#include "platform/mail/ImapConnection.h"

#include "platform/mail/ImapTimeoutHandler.h"
#include "platform/mail/VmimePlatform.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <vmime/vmime.hpp>

namespace {

namespace cert = vmime::security::cert;

using RootList = std::vector<vmime::shared_ptr<cert::X509Certificate>>;

// The certificates the system trusts, as Qt finds them; read once for the whole program.
const RootList& systemRoots()
{
    static const RootList roots = [] {
        RootList list;
        const auto trusted = QSslConfiguration::systemCaCertificates();
        for (const QSslCertificate& certificate : trusted) {
            const QByteArray der = certificate.toDer();
            if (auto root = cert::X509Certificate::import(
                    reinterpret_cast<const vmime::byte_t*>(der.constData()), size_t(der.size())))
                list.push_back(root);
        }
        return list;
    }();
    return roots;
}

vmime::shared_ptr<cert::certificateVerifier> systemVerifier()
{
    auto verifier = vmime::make_shared<cert::defaultCertificateVerifier>();
    verifier->setX509RootCAs(systemRoots());
    return verifier;
}

} // namespace

ImapConnection::ImapConnection(const Address& address)
{
    VmimePlatform::ensure();
    const vmime::utility::url url(address.secure ? "imaps" : "imap", address.host.toStdString(),
                                  vmime::port_t(address.port));
    m_store = vmime::net::session::create()->getStore(url);
    m_store->setProperty("auth.username", address.user.toStdString());
    m_store->setProperty("auth.password", address.password.toStdString());
    m_store->setProperty("options.sasl", true);
    m_store->setProperty("options.sasl.fallback", true);
    // A plain imap:// server is asked to switch to TLS.
    m_store->setProperty("connection.tls", !address.secure);
    m_store->setProperty("connection.tls.required", address.tlsRequired);
    m_store->setCertificateVerifier(systemVerifier());
    m_store->setTimeoutHandlerFactory(vmime::make_shared<ImapTimeoutHandler::Factory>());
    m_store->connect();
    m_folder =
        m_store->getFolder(vmime::net::folder::path(vmime::net::folder::path::component("INBOX")));
    m_folder->open(vmime::net::folder::MODE_READ_WRITE);
}

ImapConnection::~ImapConnection()
{
    try {
        close();
    } catch (const std::exception&) {
        // The connection is gone either way.
    }
}

int ImapConnection::list(bool unreadOnly)
{
    m_messages.clear();
    const size_t total = m_folder->getMessageCount();
    if (total == 0)
        return 0;
    auto messages = m_folder->getMessages(vmime::net::messageSet::byNumber(1, total));
    m_folder->fetchMessages(messages, vmime::net::fetchAttributes::FLAGS);
    for (const auto& message : messages) {
        if (!unreadOnly || !(message->getFlags() & vmime::net::message::FLAG_SEEN))
            m_messages.push_back(message);
    }
    return int(m_messages.size());
}

QByteArray ImapConnection::read(int index) const
{
    std::string bytes;
    vmime::utility::outputStreamStringAdapter out(bytes);
    m_messages.at(size_t(index))->extract(out, nullptr, 0, size_t(-1), true);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

void ImapConnection::markSeen(int index)
{
    const size_t number = m_messages.at(size_t(index))->getNumber();
    m_folder->setMessageFlags(vmime::net::messageSet::byNumber(number),
                              vmime::net::message::FLAG_SEEN, vmime::net::message::FLAG_MODE_ADD);
}

void ImapConnection::close()
{
    m_messages.clear();
    if (m_folder && m_folder->isOpen())
        m_folder->close(false);
    m_folder.reset();
    if (m_store && m_store->isConnected())
        m_store->disconnect();
    m_store.reset();
}
