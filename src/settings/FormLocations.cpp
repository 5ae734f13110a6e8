#include "settings/FormLocations.h"

#include "settings/FolderCheck.h"
#include "settings/MatchingFiles.h"
#include "settings/SettingsStore.h"
#include "settings/SystemSettings.h"

#include <QDir>

FormLocations::FormLocations(SystemSettings& settings, SettingsStore& store, QObject* parent)
    : QObject(parent), m_settings(settings)
{
    connect(&store, &SettingsStore::loaded, this, &FormLocations::followWorkingValues);
    followWorkingValues();
}

void FormLocations::followWorkingValues()
{
    setListPattern(m_settings.text(SystemSettings::File_Filter));
    pointListAt(m_settings.localFolder());
}

bool FormLocations::pointListAt(const QString& folder)
{
    if (folder.isEmpty() || !QDir(folder).exists())
        return false;
    m_listFolder = folder;
    emit listingChanged();
    return true;
}

bool FormLocations::setListPattern(const QString& pattern)
{
    if (!MatchingFiles::isValidFilter(pattern))
        return false;
    m_listPattern = pattern;
    emit listingChanged();
    return true;
}

bool FormLocations::acceptFolder(const QString& typed)
{
    const auto folder = FolderCheck::enter(typed);
    if (!folder)
        return false;
    m_settings.setLocalFolder(*folder);
    pointListAt(m_settings.localFolder());
    return true;
}

bool FormLocations::acceptFilter(const QString& typed)
{
    if (!setListPattern(typed))
        return false;
    m_settings.setFileFilter(typed);
    return true;
}

void FormLocations::restoreListPattern()
{
    setListPattern(m_settings.fileFilter());
}

QStringList FormLocations::files() const
{
    return MatchingFiles::list(m_listFolder, m_listPattern);
}
