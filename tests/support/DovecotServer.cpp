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
    QString text = QString::fromUtf8(readBytes(QStringLiteral(BREVANE_SOURCE_DIR "/tests/support/dovecot.conf")));
    const std::pair<const char*, QString> fields[] = {
        {"DIR", m_dir.path()}, {"INTERNAL_USER", m_internalUser}, {"INTERNAL_GROUP", m_internalGroup},
        {"LOGIN_USER", m_loginUser}, {"UID", QString::number(m_mailUid)}, {"GID", QString::number(m_mailGid)},
        {"MAILDIR", maildir()}, {"PASSWORD", Password}, {"PORT", QString::number(m_port)}};
    for (const auto& [name, value] : fields)
        text.replace('@' + QLatin1String(name) + '@', value);
    return text;
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
