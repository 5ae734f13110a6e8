#include "platform/report/ReportQuery.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {

QString quoted(const QString& identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

QDateTime storedDateTime(const QString& text)
{
    QDateTime t = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    return t.isValid() ? t.toLocalTime() : QDateTime();
}

// SQLite reads a quoted name that is no column as a string, so every name is checked first.
QString missingField(const QSqlDatabase& db, const ReportDefinition& definition,
                     const SelectionFormula& formula)
{
    const QSqlRecord record = db.record(definition.table());
    if (record.isEmpty())
        return QStringLiteral("no table %1").arg(definition.table());
    // A column may name a field that a database of an earlier version lacks: its cells are
    // empty. What the rows are chosen and sorted by must be there.
    QStringList names;
    for (const ReportDefinition::SortKey& s : definition.sortKeys())
        names << s.field;
    if (!formula.selectsAll())
        names << formula.field();
    for (const QString& name : names)
        if (!record.contains(name))
            return QStringLiteral("no field %1 in table %2").arg(name, definition.table());
    return QString();
}

} // namespace

QDate ReportQuery::localDay(const QString& storedTime)
{
    return storedDateTime(storedTime).date();
}

QString ReportQuery::localTimeText(const QString& storedTime, const QLocale& locale)
{
    const QDateTime t = storedDateTime(storedTime);
    return t.isValid() ? locale.toString(t, QLocale::ShortFormat) : storedTime;
}

std::optional<ReportData> ReportQuery::run(const ReportDefinition& definition,
                                           const QString& databasePath,
                                           const SelectionFormula& formula, const QLocale& locale,
                                           QString* error)
{
    const auto fail = [error](const QString& why) -> std::optional<ReportData> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!QFileInfo(databasePath).isFile())
        return fail(QStringLiteral("no database %1").arg(databasePath));
    if (!formula.selectsAll() &&
        formula.table().compare(definition.table(), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("the formula reads table %1, the report %2")
                        .arg(formula.table(), definition.table()));

    const auto selection = [&](const QSqlRecord& record) {
        QStringList fields;
        for (const ReportDefinition::Column& c : definition.columns())
            fields << (record.contains(c.field) ? quoted(c.field) : QStringLiteral("''"));
        if (!formula.selectsAll())
            fields << quoted(formula.field());
        QString sql = QStringLiteral("SELECT ") + fields.join(QLatin1Char(',')) +
                      QStringLiteral(" FROM ") + quoted(definition.table());
        QStringList order;
        for (const ReportDefinition::SortKey& s : definition.sortKeys())
            order << quoted(s.field) +
                         (s.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
        if (!order.isEmpty())
            sql += QStringLiteral(" ORDER BY ") + order.join(QLatin1Char(','));
        return sql;
    };

    ReportData data;
    data.title = definition.title();
    for (const ReportDefinition::Column& c : definition.columns())
        data.headings << c.heading;

    const QString connection = QStringLiteral("brevane-report-") + QUuid::createUuid().toString();
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            failure = db.lastError().text();
        } else if (const QString missing = missingField(db, definition, formula);
                   !missing.isEmpty()) {
            failure = missing;
        } else {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (!query.exec(selection(db.record(definition.table())))) {
                failure = query.lastError().text();
            } else {
                const int columns = int(definition.columns().size());
                while (query.next()) {
                    if (!formula.selectsAll() &&
                        !formula.matches(localDay(query.value(columns).toString())))
                        continue;
                    QStringList row;
                    for (int i = 0; i < columns; ++i) {
                        const QString value = query.value(i).toString();
                        row << (definition.columns()[i].isDate ? localTimeText(value, locale)
                                                               : value);
                    }
                    data.rows << row;
                }
                if (query.lastError().isValid())
                    failure = query.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        return fail(failure);
    return data;
}
