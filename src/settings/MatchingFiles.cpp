#include "settings/MatchingFiles.h"

#include <QDir>
#include <QList>
#include <QRegularExpression>
#include <algorithm>

namespace {

QStringList patternsOf(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char(';'));
    for (QString& p : parts)
        p = p.trimmed();
    return parts;
}

bool isValidPattern(const QString& pattern)
{
    if (pattern.isEmpty())
        return false;
#ifdef Q_OS_WIN
    static const QString forbidden = QStringLiteral("\\/:<>\"|");
#else
    static const QString forbidden = QStringLiteral("/");
#endif
    for (QChar c : pattern)
        if (forbidden.contains(c) || c.unicode() < 0x20)
            return false;
    return true;
}

QRegularExpression regexOf(const QString& pattern)
{
    // "*.*" and "name.*" take names without an extension too, as the wildcards of the file
    // dialogs do.
    QString stem = pattern;
    const bool optionalExtension = stem.endsWith(QLatin1String(".*"));
    if (optionalExtension)
        stem.chop(2);
    QString rx;
    for (QChar c : stem) {
        if (c == QLatin1Char('*'))
            rx += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            rx += QLatin1Char('.');
        else
            rx += QRegularExpression::escape(QString(c));
    }
    if (optionalExtension)
        rx += QLatin1String("(?:\\..*)?");
    return QRegularExpression(QRegularExpression::anchoredPattern(rx),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

QList<QRegularExpression> regexesOf(const QString& filter)
{
    QList<QRegularExpression> out;
    for (const QString& p : patternsOf(filter))
        out << regexOf(p);
    return out;
}

bool anyMatches(const QList<QRegularExpression>& regexes, const QString& name)
{
    return std::any_of(regexes.begin(), regexes.end(),
                       [&](const QRegularExpression& rx) { return rx.match(name).hasMatch(); });
}

} // namespace

namespace MatchingFiles {

bool isValidFilter(const QString& filter)
{
    const QStringList parts = patternsOf(filter);
    return std::all_of(parts.begin(), parts.end(), isValidPattern);
}

bool matches(const QString& fileName, const QString& filter)
{
    return anyMatches(regexesOf(filter), fileName);
}

QStringList list(const QString& folder, const QString& filter)
{
    if (folder.isEmpty() || !isValidFilter(filter))
        return {};
    const QDir dir(folder);
    if (!dir.exists())
        return {};
    const auto regexes = regexesOf(filter);
    QStringList names;
    for (const QString& name : dir.entryList(QDir::Files, QDir::NoSort))
        if (anyMatches(regexes, name))
            names << name;
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

} // namespace MatchingFiles
