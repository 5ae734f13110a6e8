#include "reply/ResponseDatabase.h"

#include "common/EventLoopWait.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

namespace {

const QString Driver = QStringLiteral("QSQLITE");

QString connectionName()
{
    static QAtomicInteger<int> next;
    return QStringLiteral("FORM.MDB-%1").arg(next.fetchAndAddRelaxed(1));
}

// SQLITE_BUSY and SQLITE_LOCKED, also in their extended forms: another connection holds the
// file, so a later try may succeed.
bool isBusy(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && ((code & 0xff) == 5 || (code & 0xff) == 6);
}

// A null text would be stored as NULL; an empty address is recorded as empty text.
QString notNull(const QString& text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// Opens one connection for the length of a call and removes it afterwards.
class Connection
{
public:
    Connection(const QString& name, const QString& options) : m_name(connectionName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(Driver, m_name);
        db.setDatabaseName(name);
        db.setConnectOptions(options);
    }
    ~Connection() { QSqlDatabase::removeDatabase(m_name); }
    QString name() const { return m_name; }

private:
    QString m_name;
};

} // namespace

ResponseDatabase::ResponseDatabase(const QString& path) : m_path(path) {}

QString ResponseDatabase::schema()
{
    return QStringLiteral(
        "CREATE TABLE Form_Response (Form_Response_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
        "Form_Reponse_Source_Date TEXT NOT NULL, Form_Response_Source_Address TEXT, "
        "Form_Response_Subject TEXT, Form_Response_Message TEXT)");
}

QString ResponseDatabase::storedDate(const QDateTime& moment)
{
    return moment.toUTC().toString(Qt::ISODate);
}

QDateTime ResponseDatabase::shownDate(const QString& stored)
{
    return QDateTime::fromString(stored, Qt::ISODate).toLocalTime();
}

ResponseDatabase::Result ResponseDatabase::AppendRecord(const ResponseRecord& record)
{
    const QDeadlineTimer busy(m_busyLimitMs);
    // mode=rw: the program never creates the file, a missing one fails to open.
    const QString uri = QUrl::fromLocalFile(m_path).toString(QUrl::FullyEncoded) +
                        QStringLiteral("?mode=rw");
    const Connection connection(uri, QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=0"));
    QSqlDatabase db = QSqlDatabase::database(connection.name(), false);
    const Result result = append(db, record, busy);
    db.close();
    db = QSqlDatabase();
    return result;
}

ResponseDatabase::Result ResponseDatabase::append(QSqlDatabase& db, const ResponseRecord& record,
                                                  const QDeadlineTimer& busy)
{
    if (!db.open())
        return Result::ConnectFailed;
    for (;;) {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("SELECT 1 FROM Form_Response LIMIT 0")))
            break;
        if (!isBusy(probe.lastError()) || busy.hasExpired())
            return Result::ConnectFailed;
        EventLoopWait::pause(BusyStepMs);
    }
    for (;;) {
        QSqlQuery insert(db);
        if (insert.prepare(QStringLiteral(
                "INSERT INTO Form_Response (Form_Reponse_Source_Date, "
                "Form_Response_Source_Address, Form_Response_Subject, Form_Response_Message) "
                "VALUES (?, ?, ?, ?)"))) {
            insert.addBindValue(storedDate(record.sourceDate));
            insert.addBindValue(notNull(record.sourceAddress));
            insert.addBindValue(notNull(record.subject));
            insert.addBindValue(notNull(record.message));
            if (insert.exec())
                return Result::Recorded;
        }
        if (!isBusy(insert.lastError()) || busy.hasExpired())
            return Result::WriteFailed;
        EventLoopWait::pause(BusyStepMs);
    }
}

ResponseDatabase::Creation ResponseDatabase::createEmptyDatabase(const QString& path)
{
    if (QFileInfo::exists(path))
        return Creation::AlreadyThere;
    // Built aside and renamed into place, so a half-made file never carries the name, and a
    // file that appeared meanwhile is not replaced (rename does not overwrite).
    const QString aside = path + QStringLiteral(".new");
    QFile::remove(aside);
    bool made = false;
    {
        const Connection connection(aside, QString());
        QSqlDatabase db = QSqlDatabase::database(connection.name(), false);
        if (db.open()) {
            QSqlQuery create(db);
            made = create.exec(schema());
            create.finish();
            db.close();
        }
        db = QSqlDatabase();
    }
    if (made && QFile::rename(aside, path))
        return Creation::Created;
    QFile::remove(aside);
    return QFileInfo::exists(path) ? Creation::AlreadyThere : Creation::Failed;
}

QList<ResponseRecord> ResponseDatabase::readRecords(const QString& path)
{
    QList<ResponseRecord> records;
    if (!QFileInfo::exists(path))
        return records;
    const Connection connection(path, QStringLiteral("QSQLITE_OPEN_READONLY"));
    QSqlDatabase db = QSqlDatabase::database(connection.name(), false);
    if (db.open()) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral(
                "SELECT Form_Reponse_Source_Date, Form_Response_Source_Address, "
                "Form_Response_Subject, Form_Response_Message FROM Form_Response "
                "ORDER BY Form_Response_ID"))) {
            while (q.next())
                records.append({shownDate(q.value(0).toString()), q.value(1).toString(),
                                q.value(2).toString(), q.value(3).toString()});
        }
        q.finish();
        db.close();
    }
    db = QSqlDatabase();
    return records;
}
