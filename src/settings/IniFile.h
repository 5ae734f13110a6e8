#pragma once

#include <QString>
#include <QStringList>

// An INI file held in memory: sections and keys are found without regard to letter case, and
// every line the program does not change (comments, other sections, other keys) is kept as is.
class IniFile
{
public:
    static constexpr int MaxValueLength = 254;

    // A missing file reads as an empty one; false only when an existing file cannot be read.
    bool load(const QString& fileName);
    // Atomic: written aside, then renamed over the old file. A new file is readable and
    // writable by its owner only, since it may hold a mail password.
    bool save(const QString& fileName) const;

    // "" when the section or key does not exist; at most MaxValueLength characters.
    QString value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);

    QByteArray toBytes() const;

private:
    int findSection(const QString& section) const;
    int sectionEnd(int headerLine) const;
    int findKey(int headerLine, const QString& key) const;

    QStringList m_lines;
    QString m_eol = QStringLiteral("\n");
};

QString ReadIniValue(const QString& fileName, const QString& section, const QString& key);
// True when the value is stored in the file.
bool WriteIniValue(const QString& fileName, const QString& section, const QString& key,
                   const QString& value);
