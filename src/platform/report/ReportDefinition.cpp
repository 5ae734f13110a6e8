#include "platform/report/ReportDefinition.h"

#include "common/LegacyText.h"
#include "common/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

bool ReportDefinition::isIdentifier(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

std::optional<ReportDefinition> ReportDefinition::read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1").arg(path);
        return std::nullopt;
    }
    return parse(LegacyText::decode(file.readAll()), error);
}

QString ReportDefinition::databasePath(const QString& definitionPath) const
{
    if (QFileInfo(m_database).isAbsolute())
        return m_database;
    return QDir::toNativeSeparators(QFileInfo(definitionPath).absoluteDir().filePath(m_database));
}

std::optional<ReportDefinition> ReportDefinition::parse(const QString& text, QString* error)
{
    ReportDefinition d;
    int lineNumber = 0;
    const auto fail = [&](const QString& why) -> std::optional<ReportDefinition> {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
        return std::nullopt;
    };

    for (const QString& raw : text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
        ++lineNumber;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(QStringLiteral("not a Key=Value line"));
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();

        if (key.compare(QLatin1String("Title"), Qt::CaseInsensitive) == 0) {
            d.m_title = value;
        } else if (key.compare(QLatin1String("Version"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            d.m_version = value.toInt(&ok);
            if (!ok || d.m_version < 1)
                return fail(QStringLiteral("version '%1'").arg(value));
        } else if (key.compare(QLatin1String("Database"), Qt::CaseInsensitive) == 0) {
            if (value.isEmpty())
                return fail(QStringLiteral("empty database name"));
            d.m_database = value;
        } else if (key.compare(QLatin1String("Table"), Qt::CaseInsensitive) == 0) {
            if (!isIdentifier(value))
                return fail(QStringLiteral("table name '%1'").arg(value));
            d.m_table = value;
        } else if (key.compare(QLatin1String("Column"), Qt::CaseInsensitive) == 0) {
            const QStringList parts = value.split(QLatin1Char('|'));
            if (parts.size() < 2 || parts.size() > 3 || !isIdentifier(parts[0].trimmed()))
                return fail(QStringLiteral("column needs field|heading[|date]"));
            Column c{parts[0].trimmed(), parts[1].trimmed(), false};
            if (parts.size() == 3) {
                if (parts[2].trimmed().compare(QLatin1String("date"), Qt::CaseInsensitive) != 0)
                    return fail(QStringLiteral("unknown column kind '%1'").arg(parts[2].trimmed()));
                c.isDate = true;
            }
            d.m_columns.append(c);
        } else if (key.compare(QLatin1String("Sort"), Qt::CaseInsensitive) == 0) {
            const QStringList parts = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (parts.isEmpty() || parts.size() > 2 || !isIdentifier(parts[0]))
                return fail(QStringLiteral("sort needs a field and an optional direction"));
            SortKey s{parts[0], false};
            if (parts.size() == 2) {
                if (parts[1].compare(QLatin1String("descending"), Qt::CaseInsensitive) == 0)
                    s.descending = true;
                else if (parts[1].compare(QLatin1String("ascending"), Qt::CaseInsensitive) != 0)
                    return fail(QStringLiteral("unknown sort direction '%1'").arg(parts[1]));
            }
            d.m_sort.append(s);
        } else {
            return fail(QStringLiteral("unknown key '%1'").arg(key));
        }
    }

    lineNumber = 0;
    if (d.m_table.isEmpty())
        return fail(QStringLiteral("no Table"));
    if (d.m_columns.isEmpty())
        return fail(QStringLiteral("no Column"));
    return d;
}

bool ReportDefinition::refresh(const QString& path)
{
    QFile shipped(ShippedFile);
    if (!shipped.open(QIODevice::ReadOnly))
        return false;
    const QByteArray newer = shipped.readAll();
    const auto ours = parse(QString::fromUtf8(newer));
    const auto theirs = read(path);
    // A user's own file carries no version, or one of its own making: it is theirs to keep.
    if (!ours || !theirs || theirs->version() == 0 || theirs->version() >= ours->version())
        return false;
    return SafeSave::write(path, newer);
}
