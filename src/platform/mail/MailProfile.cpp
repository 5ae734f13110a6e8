#include "platform/mail/MailProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString InboxKey = QStringLiteral("Inbox");
const QString UserKey = QStringLiteral("User");
const QString PasswordKey = QStringLiteral("Password");

QString storeFile()
{
    return QSettings(QStringLiteral("Brevane"), QStringLiteral("Brevane")).fileName();
}

// An existing store keeps its contents; a missing one is created empty, owner-only from the
// start, so that the password is never readable by others, not even for a moment.
bool restrictToOwner(const QString& path)
{
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly, ownerOnly))
            return false;
    }
    return QFile::setPermissions(path, ownerOnly);
}

} // namespace

MailProfile MailProfile::load()
{
    QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
    store.beginGroup(Group);
    MailProfile profile{store.value(InboxKey).toString(), store.value(UserKey).toString(),
                        store.value(PasswordKey).toString()};
    // However the file came to be loosened, a password in it is not left readable to others.
    if (!profile.password.isEmpty())
        restrictToOwner(store.fileName());
    return profile;
}

bool MailProfile::save() const
{
    const QString path = storeFile();
    if (!restrictToOwner(path))
        return false;
    {
        QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
        store.beginGroup(Group);
        store.setValue(InboxKey, inbox);
        store.setValue(UserKey, user);
        store.setValue(PasswordKey, password);
        store.endGroup();
        store.sync();
        if (store.status() != QSettings::NoError)
            return false;
    }
    return restrictToOwner(path);
}
