#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class SettingsStore;
class SystemSettings;

// The folder and filter of local processing as the settings window accepts them. A folder or
// filter the user is still typing lives only in the record's Local_Path and File_Filter; it
// becomes the working LocalFolder or FileFilter, and the matching-files list follows it, only
// once it has passed its check. A load sets the working values from the file whatever they hold,
// but the list shows only a folder that exists and a filter that is valid.
class FormLocations : public QObject
{
    Q_OBJECT
public:
    FormLocations(SystemSettings& settings, SettingsStore& store, QObject* parent = nullptr);

    // False when the folder cannot be entered; nothing changes then.
    bool acceptFolder(const QString& typed);
    // False when the filter is not valid; nothing changes then.
    bool acceptFilter(const QString& typed);
    // Gives the list FileFilter again after a rejected filter.
    void restoreListPattern();

    QString listFolder() const { return m_listFolder; }
    // The names the matching-files list shows, read from the folder now.
    QStringList files() const;

signals:
    // The list's folder or pattern was set (again): its names are to be read afresh.
    void listingChanged();

private:
    void followWorkingValues();
    bool pointListAt(const QString& folder);
    bool setListPattern(const QString& pattern);

    SystemSettings& m_settings;
    QString m_listFolder;
    QString m_listPattern;
};
