#include "DovecotServer.h"

#include "TestMaildir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString findProgram(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

bool chownTree(const QString& path, uint uid, uint gid)
{
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return false;
    const QDir dir(path);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (!chownTree(dir.filePath(name), uid, gid))
            return false;
    }
    return true;
}

} // namespace

DovecotServer::DovecotServer() = default;

DovecotServer::~DovecotServer()
{
    stop();
}

QString DovecotServer::imapUrl() const
{
    return QStringLiteral("imap://127.0.0.1:%1").arg(m_port);
}

QString DovecotServer::imapsUrl() const
{
    return QStringLiteral("imaps://127.0.0.1:%1").arg(m_tlsPort);
}

QString DovecotServer::maildir() const
{
    return m_dir.filePath(QStringLiteral("mail"));
}

QString DovecotServer::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("dovecot.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool DovecotServer::prepareAccounts()
{
    if (::geteuid() != 0) {
        const passwd* me = ::getpwuid(::geteuid());
        const group* myGroup = ::getgrgid(::getegid());
        if (!me || !myGroup) {
            m_whyNot = QStringLiteral("the current user has no name");
            return false;
        }
        m_internalUser = m_loginUser = QString::fromLocal8Bit(me->pw_name);
        m_internalGroup = QString::fromLocal8Bit(myGroup->gr_name);
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

bool DovecotServer::makeCertificate()
{
    const QString openssl = findProgram(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        m_whyNot = QStringLiteral("openssl is not installed");
        return false;
    }
    QProcess process;
    process.start(openssl,
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("1"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")),
                   QStringLiteral("-out"), m_dir.filePath(QStringLiteral("cert.pem"))});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        m_whyNot = QStringLiteral("openssl could not make a certificate");
        return false;
    }
    return true;
}

QString DovecotServer::configuration(bool withTls) const
{
    const QString tls = withTls ? QStringLiteral("ssl = yes\n"
                                                 "ssl_cert = <%1\n"
                                                 "ssl_key = <%2\n")
                                      .arg(m_dir.filePath(QStringLiteral("cert.pem")),
                                           m_dir.filePath(QStringLiteral("key.pem")))
                                : QStringLiteral("ssl = no\n");
    return QStringLiteral("protocols = imap\n"
                          "listen = 127.0.0.1\n"
                          "base_dir = %1/run\n"
                          "state_dir = %1/state\n"
                          "log_path = %1/dovecot.log\n"
                          "%2"
                          "disable_plaintext_auth = no\n"
                          "auth_mechanisms = plain login\n"
                          "auth_failure_delay = 0\n"
                          "login_trusted_networks = 127.0.0.0/8\n"
                          "default_internal_user = %3\n"
                          "default_internal_group = %4\n"
                          "default_login_user = %5\n"
                          "first_valid_uid = %6\n"
                          "first_valid_gid = %9\n"
                          "mail_location = maildir:%7\n"
                          "passdb {\n  driver = static\n  args = password=%8 nodelay=yes\n}\n"
                          "userdb {\n  driver = static\n  args = uid=%6 gid=%9 home=%1/home/%u\n}\n"
                          "service anvil {\n  chroot =\n"
                          "  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n"
                          "service imap-login {\n  chroot =\n"
                          "  inet_listener imap {\n    address = 127.0.0.1\n    port = %10\n  }\n"
                          "  inet_listener imaps {\n    address = 127.0.0.1\n    port = %11\n  }\n"
                          "}\n")
        .arg(m_dir.path(), tls, m_internalUser, m_internalGroup, m_loginUser)
        .arg(m_mailUid)
        .arg(maildir(), Password)
        .arg(m_mailGid)
        .arg(m_port)
        .arg(m_tlsPort);
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
    m_whyNot = QStringLiteral("dovecot did not answer on 127.0.0.1:%1 (%2)")
                   .arg(m_port)
                   .arg(log().trimmed().section(QLatin1Char('\n'), -3));
    return false;
}

bool DovecotServer::start(bool withTls)
{
    const QString dovecot = findProgram(QStringLiteral("dovecot"));
    if (dovecot.isEmpty()) {
        m_whyNot = QStringLiteral("dovecot is not installed (Debian package dovecot-imapd)");
        return false;
    }
    if (!m_dir.isValid()) {
        m_whyNot = QStringLiteral("no temporary folder");
        return false;
    }
    TestMaildir mail(maildir());
    for (const char* sub : {"run", "state", "home"})
        QDir(m_dir.path()).mkpath(QLatin1String(sub));
    m_port = freePort();
    m_tlsPort = withTls ? freePort() : 0;
    if (!prepareAccounts() || (withTls && !makeCertificate()))
        return false;
    const QString config = m_dir.filePath(QStringLiteral("dovecot.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(configuration(withTls).toUtf8()) < 0) {
        m_whyNot = QStringLiteral("cannot write the dovecot configuration");
        return false;
    }
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(dovecot, {QStringLiteral("-F"), QStringLiteral("-c"), config});
    if (!m_process.waitForStarted(10000)) {
        m_whyNot = QStringLiteral("dovecot could not be run: %1").arg(m_process.errorString());
        return false;
    }
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
