#pragma once

// Reply databases and report definitions for the report tests, made the way the program
// stores them: FORM.MDB from the program's own empty database, times in ISO 8601 UTC.

#include "platform/report/ReportViewer.h"
#include "reply/ResponseDatabase.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <stdexcept>

namespace ReportTestData {

struct Row
{
    QString storedDate; // as stored: "yyyy-MM-ddTHH:mm:ssZ"
    QString subject;
};

// A local wall-clock time as the program stores it.
inline QString stored(const QDate& day, const QTime& time)
{
    return QDateTime(day, time).toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

// Rows go in as written, so a test can also store a date the program would never write.
inline void createDatabase(const QString& path, const QList<Row>& rows)
{
    QFile::remove(path);
    const QString name = QUuid::createUuid().toString();
    bool ok = ResponseDatabase::createEmptyDatabase(path) == ResponseDatabase::Creation::Created;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = ok && db.open();
        QSqlQuery q(db);
        for (const Row& r : rows)
            ok = ok && q.exec(QStringLiteral("INSERT INTO Form_Response (Form_Reponse_Source_Date, "
                                             "Form_Response_Source_Address, Form_Response_Subject, "
                                             "Form_Response_Message) VALUES ('%1', "
                                             "'ann@example.com', '%2', 'Thank you.')")
                                  .arg(r.storedDate, r.subject));
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        throw std::runtime_error("cannot create the test database");
}

// The report definition the program ships.
inline QString shippedDefinitionPath()
{
    return QStringLiteral(BREVANE_SOURCE_DIR "/resources/report/FORM.RPT");
}

inline void copyShippedDefinition(const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(shippedDefinitionPath(), to))
        throw std::runtime_error("cannot copy FORM.RPT");
}

// Keeps every report it is handed instead of showing it.
struct RecordingViewer : ReportViewer
{
    bool showReport(const ReportData& report) override
    {
        shown.append(report);
        return accept;
    }
    QList<ReportData> shown;
    bool accept = true;
};

// The subject column of the shipped report, row by row.
inline QStringList subjects(const ReportData& data)
{
    QStringList out;
    for (const QStringList& row : data.rows)
        out << row.value(2);
    return out;
}

} // namespace ReportTestData
