#include "platform/mail/MaildirInbox.h"

#include "platform/mail/MailInboxError.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {
const QString Cur = QStringLiteral("cur");
const QString New = QStringLiteral("new");
// Flags follow ":2," at the end of a file name in cur/, in ASCII order.
const QString InfoMark = QStringLiteral(":2,");
} // namespace

MaildirInbox::MaildirInbox(const QString& folder) : m_folder(QDir::cleanPath(folder)) {}

QString MaildirInbox::defaultFolder()
{
    return QDir::home().filePath(QStringLiteral("Maildir"));
}

bool MaildirInbox::openMailbox()
{
    const QDir dir(m_folder);
    if (!QFileInfo(dir.filePath(Cur)).isDir() || !QFileInfo(dir.filePath(New)).isDir())
        return fail(
            QStringLiteral("Mail folder %1 not found").arg(QDir::toNativeSeparators(m_folder)));
    m_messages.clear();
    return true;
}

void MaildirInbox::requireFolder() const
{
    if (!QFileInfo(QDir(m_folder).filePath(Cur)).isDir())
        throw MailInboxError(
            QStringLiteral("Mail folder %1 not found").arg(QDir::toNativeSeparators(m_folder)));
}

QString MaildirInbox::uniqueName(const QString& fileName)
{
    return fileName.section(QLatin1Char(':'), 0, 0);
}

bool MaildirInbox::isSeen(const QString& fileName)
{
    const int info = fileName.lastIndexOf(InfoMark);
    return info >= 0 && fileName.indexOf(QLatin1Char('S'), info + InfoMark.size()) >= 0;
}

// Delivery agents start a message's name with its delivery time in seconds; a name that does
// not is dated by the file.
qint64 MaildirInbox::deliveryTime(const QString& path)
{
    const QFileInfo info(path);
    bool isNumber = false;
    const qint64 seconds = info.fileName().section(QLatin1Char('.'), 0, 0).toLongLong(&isNumber);
    if (isNumber)
        return seconds * 1000;
    return info.lastModified().toMSecsSinceEpoch();
}

void MaildirInbox::addMessages(const QString& subfolder, bool unreadOnly)
{
    // One name at a time: a listing of the whole folder at once holds every file's details
    // together, about a kilobyte per message, and a big inbox is listed at every timed run.
    QDirIterator names(QDir(m_folder).filePath(subfolder), QDir::Files | QDir::NoDotAndDotDot);
    while (names.hasNext()) {
        const QString path = names.next();
        const QString name = names.fileName();
        if (name.startsWith(QLatin1Char('.')) || (unreadOnly && subfolder == Cur && isSeen(name)))
            continue;
        m_messages.append({path, deliveryTime(path)});
    }
}

void MaildirInbox::listMessages(bool unreadOnly)
{
    requireFolder();
    m_messages.clear();
    addMessages(New, unreadOnly);
    addMessages(Cur, unreadOnly);
    std::stable_sort(m_messages.begin(), m_messages.end(), [](const Entry& a, const Entry& b) {
        if (a.deliveredMs != b.deliveredMs)
            return a.deliveredMs < b.deliveredMs;
        return QFileInfo(a.path).fileName() < QFileInfo(b.path).fileName();
    });
}

QString MaildirInbox::currentPath(int index)
{
    Entry& entry = m_messages[index];
    if (QFileInfo::exists(entry.path))
        return entry.path;
    const QString unique = uniqueName(QFileInfo(entry.path).fileName());
    for (const QString& subfolder : {Cur, New}) {
        const QDir dir(QDir(m_folder).filePath(subfolder));
        for (const QString& name : dir.entryList(QDir::Files)) {
            if (uniqueName(name) == unique) {
                entry.path = dir.filePath(name);
                return entry.path;
            }
        }
    }
    return {};
}

QByteArray MaildirInbox::readMessage(int index)
{
    requireFolder();
    // A message deleted since the listing reads as an empty one and is passed over.
    QFile file(currentPath(index));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void MaildirInbox::markMessageRead(int index)
{
    requireFolder();
    const QString path = currentPath(index);
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    const int info = name.lastIndexOf(InfoMark);
    QString flags = info >= 0 ? name.mid(info + InfoMark.size()) : QString();
    if (flags.contains(QLatin1Char('S')) && QFileInfo(path).dir().dirName() == Cur)
        return;
    if (!flags.contains(QLatin1Char('S')))
        flags.append(QLatin1Char('S'));
    std::sort(flags.begin(), flags.end());
    const QString target =
        QDir(QDir(m_folder).filePath(Cur)).filePath(uniqueName(name) + InfoMark + flags);
    if (!QFile::rename(path, target))
        throw MailInboxError(QStringLiteral("Message %1 could not be marked read")
                                 .arg(QDir::toNativeSeparators(path)));
    m_messages[index].path = target;
}

bool MaildirInbox::closeMailbox()
{
    m_messages.clear();
    return true;
}
