#include "platform/mail/ProfileInbox.h"

#include "platform/mail/ImapInbox.h"
#include "platform/mail/MailInboxError.h"
#include "platform/mail/MailLogon.h"
#include "platform/mail/MaildirInbox.h"

#include <QDir>
#include <QFileInfo>

std::unique_ptr<MailInbox> MailInbox::forAccount(MailLogon& logon, const MailProfile& account,
                                                 KeepAccount keep)
{
    return std::make_unique<ProfileInbox>(logon, account, std::move(keep));
}

ProfileInbox::ProfileInbox(MailLogon& logon, const MailProfile& account, KeepAccount keep)
    : m_logon(logon), m_account(account), m_keep(std::move(keep))
{
}

ProfileInbox::~ProfileInbox() = default;

std::unique_ptr<MimeInbox> ProfileInbox::open(const MailProfile& profile)
{
    if (ImapInbox::isImapAddress(profile.inbox))
        return std::make_unique<ImapInbox>(profile.inbox, profile.user, profile.password);
    QString folder = profile.inbox.trimmed();
    if (folder.isEmpty())
        folder = MaildirInbox::defaultFolder();
    else if (folder == QStringLiteral("~") || folder.startsWith(QStringLiteral("~/")))
        folder = QDir::homePath() + folder.mid(1);
    return std::make_unique<MaildirInbox>(folder);
}

QString ProfileInbox::check(const MailProfile& account)
{
    if (!haveInbox(account))
        return noDefaultFolder();
    const auto inbox = open(account);
    if (!inbox->signOn())
        return inbox->errorDescription();
    inbox->signOff();
    return {};
}

bool ProfileInbox::haveInbox(const MailProfile& profile)
{
    return !profile.inbox.trimmed().isEmpty() || QFileInfo(MaildirInbox::defaultFolder()).isDir();
}

QString ProfileInbox::noDefaultFolder()
{
    return QStringLiteral("Mail folder %1 not found")
        .arg(QDir::toNativeSeparators(MaildirInbox::defaultFolder()));
}

bool ProfileInbox::trySignOn(const MailProfile& profile)
{
    if (m_inbox)
        m_inbox->signOff();
    m_inbox = open(profile);
    if (m_inbox->signOn())
        return true;
    m_error = m_inbox->errorDescription();
    m_loginRefused = m_inbox->loginRefused();
    m_inbox.reset();
    return false;
}

bool ProfileInbox::signOn()
{
    m_error.clear();
    MailProfile profile = m_account;
    if (haveInbox(profile)) {
        if (trySignOn(profile))
            return true;
        if (!m_loginRefused)
            return false;
    } else {
        m_error = noDefaultFolder();
    }
    for (;;) {
        const auto answer = m_logon.logon(profile, m_error);
        if (!answer)
            return false;
        profile = *answer;
        if (trySignOn(profile)) {
            m_account = profile;
            if (m_keep)
                m_keep(profile);
            return true;
        }
    }
}

MimeInbox& ProfileInbox::inbox() const
{
    if (!m_inbox)
        throw MailInboxError(QStringLiteral("Not signed on to the mail inbox"));
    return *m_inbox;
}

void ProfileInbox::fetch(bool unreadOnly)
{
    inbox().fetch(unreadOnly);
}
int ProfileInbox::count() const
{
    return m_inbox ? m_inbox->count() : 0;
}
void ProfileInbox::select(int index)
{
    inbox().select(index);
}
QString ProfileInbox::originator() const
{
    return inbox().originator();
}
QString ProfileInbox::bodyText() const
{
    return inbox().bodyText();
}
bool ProfileInbox::isAutomatic() const
{
    return inbox().isAutomatic();
}
int ProfileInbox::attachmentCount() const
{
    return inbox().attachmentCount();
}
int ProfileInbox::attachmentType() const
{
    return inbox().attachmentType();
}
QString ProfileInbox::attachmentPath()
{
    return inbox().attachmentPath();
}
void ProfileInbox::markRead()
{
    inbox().markRead();
}

bool ProfileInbox::signOff()
{
    if (!m_inbox)
        return true;
    const bool closed = m_inbox->signOff();
    m_inbox.reset();
    return closed;
}
