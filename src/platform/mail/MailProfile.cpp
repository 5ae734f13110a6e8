#include "platform/mail/MailProfile.h"

#include <QSettings>

namespace {

const QString InboxKey = QStringLiteral("Inbox");
const QString UserKey = QStringLiteral("User");
const QString PasswordKey = QStringLiteral("Password");

} // namespace

MailProfile MailProfile::stored()
{
    QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
    store.beginGroup(Group);
    return {store.value(InboxKey).toString(), store.value(UserKey).toString(),
            store.value(PasswordKey).toString()};
}

bool MailProfile::removeStored()
{
    QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
    if (!store.childGroups().contains(Group))
        return true;
    store.remove(Group);
    store.sync();
    return store.status() == QSettings::NoError;
}
