#include "reply/ResponseExport.h"

#include "common/SafeSave.h"
#include "reply/ReportDateRange.h"
#include "reply/ResponseDatabase.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

QString cell(const QString& text)
{
    if (!text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char(',')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void appendLine(QString& out, const QStringList& cells)
{
    for (qsizetype k = 0; k < cells.size(); ++k) {
        if (k > 0)
            out += QLatin1Char(',');
        out += cell(cells[k]);
    }
    out += QStringLiteral("\r\n");
}

// A field column: a form name and which of its occurrences in one submission, from 1.
using Column = std::pair<QString, int>;

// The columns of each field of a record, in the record's order.
QList<Column> columnsOf(const ResponseRecord& record)
{
    QHash<QString, int> seen;
    QList<Column> columns;
    columns.reserve(record.fields.size());
    for (const FormVariable& field : record.fields)
        columns.append({field.formName, ++seen[field.formName]});
    return columns;
}

} // namespace

QByteArray ResponseExport::csv(const QList<ResponseRecord>& records)
{
    QList<Column> order;
    QHash<Column, qsizetype> index;
    for (const ResponseRecord& record : records)
        for (const Column& c : columnsOf(record))
            if (!index.contains(c)) {
                index.insert(c, order.size());
                order.append(c);
            }

    QStringList heading{QStringLiteral("Recorded"), QStringLiteral("Status"),
                        QStringLiteral("Address"), QStringLiteral("Subject")};
    for (const auto& [name, occurrence] : order)
        heading << (occurrence == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(occurrence));
    heading << QStringLiteral("Reply");

    QString out;
    appendLine(out, heading);
    for (const ResponseRecord& record : records) {
        QStringList fields(order.size());
        const QList<Column> columns = columnsOf(record);
        for (qsizetype k = 0; k < columns.size(); ++k)
            fields[index.value(columns[k])] = record.fields[k].value;
        appendLine(out, QStringList{record.sourceDate.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                    record.status, record.sourceAddress, record.subject} +
                            fields + QStringList{record.message});
    }
    // The byte-order mark tells spreadsheet programs that the file is UTF-8.
    return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}

QList<ResponseRecord> ResponseExport::inRange(const QList<ResponseRecord>& records,
                                              const ReportDateRange& range)
{
    // As the report reads it: a range typed backwards is the same range.
    std::optional<QDate> from = range.start();
    std::optional<QDate> to = range.finish();
    if (from && to && *from > *to)
        std::swap(from, to);
    QList<ResponseRecord> chosen;
    for (const ResponseRecord& record : records) {
        const QDate day = record.sourceDate.toLocalTime().date();
        if (day.isValid() && (!from || day >= *from) && (!to || day <= *to))
            chosen.append(record);
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) {
        return a.sourceDate < b.sourceDate;
    });
    return chosen;
}

bool ResponseExport::write(const QString& databasePath, const ReportDateRange& range,
                           const QString& file)
{
    if (!QFileInfo(databasePath).isFile())
        return false;
    return SafeSave::write(file, csv(inRange(ResponseDatabase::readRecords(databasePath), range)));
}
