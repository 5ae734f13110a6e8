#pragma once

#include <QObject>
#include <QString>

class SystemSettings;

// Moves the live record between memory and FORM.INI, section "System Settings".
class SettingsStore : public QObject
{
    Q_OBJECT
public:
    static inline const QString Section = QStringLiteral("System Settings");
    static inline const QString FileName = QStringLiteral("FORM.INI");
    static inline const QString LastTemplateKey = QStringLiteral("Last_Template_Open");

    SettingsStore(SystemSettings& settings, const QString& programFolder,
                  QObject* parent = nullptr);

    // False when FORM.INI does not exist (nothing is read). A key that is missing from an
    // existing file empties a text field; a flag that is not 0, 1 or 2 keeps its value.
    bool LoadSettings();
    // False when the file system refused the write; the old file is then left as it was.
    bool SaveSettings();

    QString lastTemplate() const;
    bool setLastTemplate(const QString& path);

signals:
    // After every load from the file; the settings window counts a load as a change.
    void loaded();

private:
    SystemSettings& m_settings;
    QString m_filePath;
};
