#include "settings/SettingsStore.h"

#include "common/ProgramFolder.h"
#include "settings/IniFile.h"
#include "settings/SystemSettings.h"

#include <QFileInfo>

SettingsStore::SettingsStore(SystemSettings& settings, const QString& programFolder,
                             QObject* parent)
    : QObject(parent), m_settings(settings),
      m_filePath(ProgramFolder::join(programFolder, FileName))
{
}

bool SettingsStore::LoadSettings()
{
    if (!QFileInfo(m_filePath).isFile())
        return false;
    IniFile ini;
    if (!ini.load(m_filePath))
        return false;
    for (int k = 0; k < SystemSettings::KeyCount; ++k) {
        const auto key = SystemSettings::Key(k);
        const QString value = ini.value(Section, SystemSettings::keyName(key));
        if (SystemSettings::isFlag(key)) {
            const auto number = SystemSettings::wholeNumber(value);
            if (number && *number >= 0 && *number <= 2)
                m_settings.setFlag(key, int(*number));
        } else if (key == SystemSettings::SMTP_Security) {
            m_settings.setText(key, SystemSettings::normalisedSecurity(value));
        } else if (key == SystemSettings::Form_Source) {
            m_settings.setText(key, SystemSettings::normalisedSource(value));
        } else {
            m_settings.setText(key, value);
        }
    }
    m_settings.updateWorkingValues();
    emit loaded();
    return true;
}

bool SettingsStore::SaveSettings()
{
    IniFile ini;
    if (!ini.load(m_filePath))
        return false;
    for (int k = 0; k < SystemSettings::KeyCount; ++k) {
        const auto key = SystemSettings::Key(k);
        ini.setValue(Section, SystemSettings::keyName(key), m_settings.storedText(key));
    }
    return ini.save(m_filePath);
}

QString SettingsStore::lastTemplate() const
{
    return ReadIniValue(m_filePath, Section, LastTemplateKey);
}

bool SettingsStore::setLastTemplate(const QString& path)
{
    return WriteIniValue(m_filePath, Section, LastTemplateKey, path);
}
