#pragma once

// Reply databases and report definitions for the report tests, made the way the program
// stores them: FORM.MDB is SQLite with table Form_Response, times in ISO 8601 UTC.

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QUuid>
#include <stdexcept>

namespace ReportTestData {

struct Row
{
    QString storedDate; // as stored: "yyyy-MM-ddTHH:mm:ssZ"
    QString subject;
    QString address = QStringLiteral("ann@example.com");
    QString message = QStringLiteral("Thank you.");
};

// A local wall-clock time as the program stores it.
inline QString stored(const QDate& day, const QTime& time)
{
    return QDateTime(day, time).toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QLatin1Char('Z');
}

inline void createDatabase(const QString& path, const QList<Row>& rows)
{
    const QString name = QStringLiteral("test-") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral(
                       "CREATE TABLE Form_Response (Form_Response_ID INTEGER PRIMARY KEY "
                       "AUTOINCREMENT, Form_Reponse_Source_Date TEXT NOT NULL, "
                       "Form_Response_Source_Address TEXT, Form_Response_Subject TEXT, "
                       "Form_Response_Message TEXT)"));
        for (const Row& r : rows) {
            ok = ok &&
                 q.prepare(QStringLiteral("INSERT INTO Form_Response (Form_Reponse_Source_Date, "
                                          "Form_Response_Source_Address, Form_Response_Subject, "
                                          "Form_Response_Message) VALUES (?, ?, ?, ?)"));
            q.addBindValue(r.storedDate);
            q.addBindValue(r.address);
            q.addBindValue(r.subject);
            q.addBindValue(r.message);
            ok = ok && q.exec();
        }
        db.close();
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

} // namespace ReportTestData
