#include "settings/SystemSettings.h"

#include "common/ProgramFolder.h"

#include <QMetaEnum>
#include <algorithm>
#include <limits>

QString SystemSettings::keyName(Key key)
{
    return QString::fromLatin1(QMetaEnum::fromType<Key>().valueToKey(key));
}

SystemSettings::SystemSettings(QObject* parent) : QObject(parent)
{
    m_flags[Ignore_Read_MAPI_Messages] = 1;
    m_texts[Auto_Timer] = QStringLiteral("10");
    m_texts[Max_Length] = QStringLiteral("20000");
    m_texts[Local_Path] = ProgramFolder::defaultLocalPath();
    m_texts[SMTP_Reply_Subject] = QStringLiteral("Receipt Confirmation");
    m_texts[File_Filter] = QStringLiteral("*.att;*.dat");
    m_texts[SMTP_Security] = SecurityNone;
    m_texts[Form_Source] = SourceInbox;
    updateWorkingValues();
}

void SystemSettings::setFlag(Key key, int value)
{
    Q_ASSERT(isFlag(key));
    if (m_flags[key] == value)
        return;
    m_flags[key] = value;
    emit changed(key);
}

void SystemSettings::setText(Key key, const QString& value)
{
    Q_ASSERT(!isFlag(key));
    if (m_texts[key] == value)
        return;
    m_texts[key] = value;
    emit changed(key);
}

QString SystemSettings::storedText(Key key) const
{
    return isFlag(key) ? QString::number(m_flags[key]) : m_texts[key];
}

void SystemSettings::setFriendlyReplySuffix(const QString& suffix)
{
    if (m_friendlyReplySuffix == suffix)
        return;
    m_friendlyReplySuffix = suffix;
    emit friendlyReplySuffixChanged(suffix);
}

void SystemSettings::setLocalFolder(const QString& folder)
{
    const QChar sep = ProgramFolder::separator();
    QString f = folder;
    if (!f.endsWith(sep))
        f += sep;
    m_localFolder = f;
}

void SystemSettings::setFileFilter(const QString& filter)
{
    m_fileFilter = filter;
}

void SystemSettings::updateWorkingValues()
{
    setFileFilter(m_texts[File_Filter]);
    setLocalFolder(m_texts[Local_Path]);
}

std::optional<long long> SystemSettings::wholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    int digits = 0;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-')))
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const long long v = t.toLongLong(&ok);
    if (ok)
        return v;
    // Beyond 64 bits: only its sign matters to the callers, which clamp.
    return t.startsWith(QLatin1Char('-')) ? std::numeric_limits<long long>::min()
                                          : std::numeric_limits<long long>::max();
}

int SystemSettings::maxLengthLimit() const
{
    const auto v = wholeNumber(m_texts[Max_Length]);
    if (!v)
        return 20000;
    return int(std::clamp<long long>(*v, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max()));
}

std::optional<int> SystemSettings::autoTimerMinutes() const
{
    const auto v = wholeNumber(m_texts[Auto_Timer]);
    if (!v)
        return std::nullopt;
    return int(std::clamp<long long>(*v, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max()));
}

QString SystemSettings::normalisedSecurity(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.compare(SecurityNone, Qt::CaseInsensitive) == 0)
        return SecurityNone;
    for (const char* tls : {"TLS", "SSL/TLS", "SSL"}) {
        if (t.compare(QLatin1String(tls), Qt::CaseInsensitive) == 0)
            return SecurityTls;
    }
    return SecurityStartTls;
}

QString SystemSettings::normalisedSource(const QString& text)
{
    return text.trimmed().compare(SourceFolder, Qt::CaseInsensitive) == 0 ? SourceFolder
                                                                           : SourceInbox;
}

SystemSettings::Security SystemSettings::smtpSecurity() const
{
    const QString t = normalisedSecurity(m_texts[SMTP_Security]);
    return t == SecurityNone ? Security::None : t == SecurityTls ? Security::Tls : Security::StartTls;
}

bool SystemSettings::automaticRunsReadFolder() const
{
    return normalisedSource(m_texts[Form_Source]) == SourceFolder;
}
