#include "TestMaildir.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TestMaildir::TestMaildir(const QString& folder) : m_folder(folder)
{
    for (const char* sub : {"cur", "new", "tmp"})
        QDir().mkpath(QDir(folder).filePath(QLatin1String(sub)));
}

QString TestMaildir::deliver(const QString& subfolder, const QString& name,
                             const QByteArray& message)
{
    // Written aside in tmp/ and moved in, as a delivery agent does.
    const QString aside = QDir(m_folder).filePath(QStringLiteral("tmp/") + name);
    writeBytes(aside, message);
    QDir().rename(aside, QDir(m_folder).filePath(subfolder + QLatin1Char('/') + name));
    return name.section(QLatin1Char(':'), 0, 0);
}

QString TestMaildir::deliverNew(const QByteArray& message, qint64 deliveredSeconds)
{
    return deliver(QStringLiteral("new"), uniqueName(deliveredSeconds), message);
}

QString TestMaildir::deliverCur(const QByteArray& message, qint64 deliveredSeconds,
                                const QString& flags)
{
    return deliver(QStringLiteral("cur"),
                   uniqueName(deliveredSeconds) + QStringLiteral(":2,") + flags, message);
}

QString TestMaildir::uniqueName(qint64 deliveredSeconds)
{
    return QStringLiteral("%1.M%2P%3.brevane-test")
        .arg(deliveredSeconds)
        .arg(++m_delivered)
        .arg(QCoreApplication::applicationPid());
}

QString TestMaildir::pathOf(const QString& unique) const
{
    for (const char* sub : {"new", "cur"}) {
        const QDir dir(QDir(m_folder).filePath(QLatin1String(sub)));
        for (const QString& name : dir.entryList(QDir::Files)) {
            if (name.section(QLatin1Char(':'), 0, 0) == unique)
                return dir.filePath(name);
        }
    }
    return {};
}

QString TestMaildir::stateOf(const QString& unique) const
{
    const QFileInfo file(pathOf(unique));
    if (file.dir().dirName() == QLatin1String("new"))
        return QStringLiteral("new");
    return file.fileName().section(QStringLiteral(":2,"), 1);
}

bool TestMaildir::isRead(const QString& unique) const
{
    const QString state = stateOf(unique);
    return state != QLatin1String("new") && state.contains(QLatin1Char('S'));
}
