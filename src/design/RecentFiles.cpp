#include "design/RecentFiles.h"

#include <QSettings>

namespace {
// Opened per operation, so that every change reaches the store when the operation ends.
class Store
{
public:
    Store()
        : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brevane"),
                     QStringLiteral("Brevane"))
    {
        m_settings.beginGroup(RecentFiles::Group);
    }
    QString slot(int n) const { return m_settings.value(RecentFiles::key(n)).toString(); }
    void setSlot(int n, const QString& path) { m_settings.setValue(RecentFiles::key(n), path); }

private:
    QSettings m_settings;
};
} // namespace

QString RecentFiles::key(int slot)
{
    return QStringLiteral("Recent_File_") + QString::number(slot);
}

RecentFiles::RecentFiles(QObject* parent) : QObject(parent)
{
    m_captions.fill(EmptyCaption);
}

void RecentFiles::RefreshRecentFiles()
{
    const Store store;
    for (int n = 0; n < Count; ++n) {
        const QString path = store.slot(n);
        m_captions[n] = path.isEmpty() ? EmptyCaption : path;
    }
    emit captionsRefreshed();
}

void RecentFiles::AddRecentFile(const QString& path)
{
    if (PromoteRecentFile(path))
        return;
    PushRecentFile(path);
    RefreshRecentFiles();
}

bool RecentFiles::PromoteRecentFile(const QString& path)
{
    int found = -1;
    for (int n = 0; n < Count && found < 0; ++n)
        if (m_captions[n] == path)
            found = n;
    if (found < 0)
        return false;
    if (found == 0)
        return true;
    {
        Store store;
        for (int m = found; m >= 1; --m)
            store.setSlot(m, store.slot(m - 1));
        store.setSlot(0, path);
    }
    RefreshRecentFiles();
    return true;
}

void RecentFiles::PushRecentFile(const QString& path)
{
    Store store;
    for (int n = Count - 2; n >= 0; --n) {
        // An empty slot is not copied down, so the slot below it keeps its value.
        const QString value = store.slot(n);
        if (!value.isEmpty())
            store.setSlot(n + 1, value);
    }
    store.setSlot(0, path);
}
