#include "DovecotServer.h"

#include "TestSupport.h"
#include "platform/mail/ImapInbox.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool chownTree(const QString& path, uint uid, uint gid)
{
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return false;
    for (const QFileInfo& entry : QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        if (!chownTree(entry.filePath(), uid, gid))
            return false;
    return true;
}

} // namespace

bool DovecotServer::holds(int messages) const
{
    ImapInbox inbox(imapUrl(), User, Password);
    if (!inbox.signOn())
        return false;
    inbox.fetch(false);
    return inbox.count() == messages && inbox.signOff();
}

bool DovecotServer::prepareAccounts()
{
    if (::geteuid() != 0) {
        m_internalUser = m_loginUser = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        m_internalGroup = QString::fromLocal8Bit(::getgrgid(::getegid())->gr_name);
        m_mailUid = ::geteuid();
        m_mailGid = ::getegid();
        return true;
    }
    const passwd* internal = ::getpwnam("dovecot");
    const passwd* login = ::getpwnam("dovenull");
    const group* internalGroup = internal ? ::getgrgid(internal->pw_gid) : nullptr;
    if (!internal || !login || !internalGroup) {
        m_whyNot =
            QStringLiteral("running as root, but the dovecot and dovenull accounts are missing");
        return false;
    }
    m_internalUser = QStringLiteral("dovecot");
    m_internalGroup = QString::fromLocal8Bit(internalGroup->gr_name);
    m_loginUser = QStringLiteral("dovenull");
    m_mailUid = internal->pw_uid;
    m_mailGid = internal->pw_gid;
    // The mail processes run as dovecot: they must reach the folder and own the Maildir.
    m_whyNot = QStringLiteral("the mail folder cannot be handed to the dovecot account");
    return QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                                   QFileDevice::ExeOther) &&
           chownTree(maildir(), m_mailUid, m_mailGid) &&
           chownTree(m_dir.filePath(QStringLiteral("home")), m_mailUid, m_mailGid);
}

QString DovecotServer::configuration() const
{
    return QStringLiteral("protocols = imap\n"
                          "listen = 127.0.0.1\n"
                          "base_dir = %1/run\n"
                          "state_dir = %1/state\n"
                          "log_path = %1/dovecot.log\n"
                          "ssl = no\n"
                          "disable_plaintext_auth = no\n"
                          "auth_mechanisms = plain login\n"
                          "auth_failure_delay = 0\n"
                          "login_trusted_networks = 127.0.0.0/8\n"
                          "default_internal_user = %2\n"
                          "default_internal_group = %3\n"
                          "default_login_user = %4\n"
                          "first_valid_uid = %5\n"
                          "first_valid_gid = %8\n"
                          "mail_location = maildir:%6\n"
                          "passdb {\n  driver = static\n  args = password=%7 nodelay=yes\n}\n"
                          "userdb {\n  driver = static\n  args = uid=%5 gid=%8 home=%1/home/%u\n}\n"
                          "service anvil {\n  chroot =\n"
                          "  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n"
                          "service imap-login {\n  chroot =\n"
                          "  inet_listener imap {\n    address = 127.0.0.1\n    port = %9\n  }\n"
                          "  inet_listener imaps {\n    port = 0\n  }\n}\n")
        .arg(m_dir.path(), m_internalUser, m_internalGroup, m_loginUser)
        .arg(m_mailUid)
        .arg(maildir(), Password)
        .arg(m_mailGid)
        .arg(m_port);
}

bool DovecotServer::waitForGreeting()
{
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            break;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(1000) && probe.waitForReadyRead(5000) &&
            probe.readAll().startsWith("* OK"))
            return true;
        QThread::msleep(100);
    }
    m_whyNot = QStringLiteral("dovecot did not answer on 127.0.0.1:%1").arg(m_port);
    return false;
}

bool DovecotServer::start()
{
    const QString dovecot = QStandardPaths::findExecutable("dovecot", {"/usr/sbin", "/sbin", "/usr/bin"});
    if (dovecot.isEmpty()) {
        m_whyNot = QStringLiteral("dovecot is not installed (Debian package dovecot-imapd)");
        return false;
    }
    TestMaildir mail(maildir());
    for (const char* sub : {"run", "state", "home"})
        QDir(m_dir.path()).mkpath(QLatin1String(sub));
    m_port = freePort();
    if (!prepareAccounts())
        return false;
    const QString config = m_dir.filePath(QStringLiteral("dovecot.conf"));
    writeBytes(config, configuration().toUtf8());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(dovecot, {QStringLiteral("-F"), QStringLiteral("-c"), config});
    // A dovecot that could not start, or stopped at once, never greets.
    if (!waitForGreeting()) {
        m_whyNot += QStringLiteral(" ") + QString::fromLocal8Bit(m_process.readAll()).trimmed();
        stop();
        return false;
    }
    return true;
}

void DovecotServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
