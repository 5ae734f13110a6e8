#include "settings/IniFile.h"

#include "common/LegacyText.h"
#include "common/SafeSave.h"

#include <QFile>

namespace {

bool isSectionHeader(const QString& trimmed)
{
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

QString sectionName(const QString& trimmed)
{
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

bool isComment(const QString& trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

} // namespace

bool IniFile::load(const QString& fileName)
{
    m_lines.clear();
    QFile file(fileName);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    QString text = LegacyText::decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    m_eol = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // CRs ending the file end its last line: kept in the line, a CR would meet the LF of the
    // next save as a CR LF and change every line end of the file.
    while (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    m_lines = text.split(QLatin1Char('\n'));
    if (!m_lines.isEmpty() && m_lines.constLast().isEmpty())
        m_lines.removeLast();
    return true;
}

QByteArray IniFile::toBytes() const
{
    QString text;
    for (const QString& line : m_lines)
        text += line + m_eol;
    return text.toUtf8();
}

bool IniFile::save(const QString& fileName) const
{
    // Owner-only whatever the file had before: it holds the mail password.
    return SafeSave::write(fileName, toBytes(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

int IniFile::findSection(const QString& section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString t = m_lines[i].trimmed();
        if (isSectionHeader(t) && sectionName(t).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int headerLine) const
{
    int i = headerLine + 1;
    while (i < m_lines.size() && !isSectionHeader(m_lines[i].trimmed()))
        ++i;
    return i;
}

int IniFile::findKey(int headerLine, const QString& key) const
{
    const int end = sectionEnd(headerLine);
    for (int i = headerLine + 1; i < end; ++i) {
        const QString& line = m_lines[i];
        const int eq = int(line.indexOf(QLatin1Char('=')));
        if (eq < 0 || isComment(line.trimmed()))
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::value(const QString& section, const QString& key) const
{
    const int header = findSection(section);
    if (header < 0)
        return {};
    const int line = findKey(header, key);
    if (line < 0)
        return {};
    const QString& text = m_lines[line];
    return text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed().left(MaxValueLength);
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    // A line break would end the entry early and turn the rest into lines of their own.
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = key + QLatin1Char('=') + flat;
    int header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.constLast().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(entry);
        return;
    }
    const int line = findKey(header, key);
    if (line >= 0) {
        m_lines[line] = entry;
        return;
    }
    // After the section's last entry, before any blank lines that separate it from the next.
    int at = sectionEnd(header);
    while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, entry);
}

QString ReadIniValue(const QString& fileName, const QString& section, const QString& key)
{
    IniFile ini;
    if (!ini.load(fileName))
        return {};
    return ini.value(section, key);
}

bool WriteIniValue(const QString& fileName, const QString& section, const QString& key,
                   const QString& value)
{
    IniFile ini;
    if (!ini.load(fileName))
        return false;
    ini.setValue(section, key, value);
    return ini.save(fileName);
}
