#include "reply/ResponseDatabase.h"

#include "common/EventLoopWait.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QHash>
#include <QUrl>
#include <QVariant>
#include <algorithm>

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

QStringList ResponseDatabase::schema()
{
    return {QStringLiteral(
                "CREATE TABLE Form_Response (Form_Response_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                "Form_Reponse_Source_Date TEXT NOT NULL, Form_Response_Source_Address TEXT, "
                "Form_Response_Subject TEXT, Form_Response_Message TEXT, "
                "Form_Response_Status TEXT, Form_Response_Fingerprint TEXT)"),
            QStringLiteral(
                "CREATE TABLE Form_Field (Form_Response_ID INTEGER NOT NULL REFERENCES "
                "Form_Response (Form_Response_ID), Field_Position INTEGER NOT NULL, "
                "Form_Name TEXT NOT NULL, Friendly_Name TEXT, Field_Value TEXT, "
                "PRIMARY KEY (Form_Response_ID, Field_Position))"),
            QStringLiteral("CREATE INDEX Form_Response_Fingerprint_Index ON Form_Response "
                           "(Form_Response_Fingerprint)"),
            QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)};
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
        const std::optional<QSqlError> error = write(db, record);
        if (!error)
            return Result::Recorded;
        if (!isBusy(*error) || busy.hasExpired())
            return Result::WriteFailed;
        EventLoopWait::pause(BusyStepMs);
    }
}

// The row, its fields and any upgrade of an older file commit together or not at all.
std::optional<QSqlError> ResponseDatabase::write(QSqlDatabase& db, const ResponseRecord& record)
{
    QSqlQuery q(db);
    // IMMEDIATE takes the write lock first, so that a busy file fails before anything is done.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return q.lastError();
    const auto rollBack = [&db](const QSqlError& error) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return std::optional<QSqlError>(error);
    };
    if (const auto error = upgrade(db))
        return rollBack(*error);
    if (!q.prepare(QStringLiteral(
            "INSERT INTO Form_Response (Form_Reponse_Source_Date, Form_Response_Source_Address, "
            "Form_Response_Subject, Form_Response_Message, Form_Response_Status, "
            "Form_Response_Fingerprint) VALUES (?, ?, ?, ?, ?, ?)")))
        return rollBack(q.lastError());
    q.addBindValue(storedDate(record.sourceDate));
    q.addBindValue(notNull(record.sourceAddress));
    q.addBindValue(notNull(record.subject));
    q.addBindValue(notNull(record.message));
    q.addBindValue(notNull(record.status));
    q.addBindValue(notNull(record.fingerprint));
    if (!q.exec())
        return rollBack(q.lastError());
    const QVariant id = q.lastInsertId();
    // Many rows to one statement: a statement per field would cost more than the commit.
    constexpr qsizetype RowsPerStatement = 500;
    for (qsizetype first = 0; first < record.fields.size(); first += RowsPerStatement) {
        const qsizetype n = std::min(RowsPerStatement, record.fields.size() - first);
        QStringList rows(n, QStringLiteral("(?, ?, ?, ?, ?)"));
        QSqlQuery field(db);
        if (!field.prepare(QStringLiteral("INSERT INTO Form_Field (Form_Response_ID, Field_Position, "
                                          "Form_Name, Friendly_Name, Field_Value) VALUES ") +
                           rows.join(QStringLiteral(", "))))
            return rollBack(field.lastError());
        for (qsizetype k = first; k < first + n; ++k) {
            const FormVariable& v = record.fields[k];
            field.addBindValue(id);
            field.addBindValue(int(k + 1));
            field.addBindValue(notNull(v.formName));
            field.addBindValue(notNull(v.friendlyName));
            field.addBindValue(notNull(v.value));
        }
        if (!field.exec())
            return rollBack(field.lastError());
    }
    if (!q.exec(QStringLiteral("COMMIT")))
        return rollBack(q.lastError());
    return std::nullopt;
}

// Brings a file of an earlier version to this one inside the caller's transaction.
std::optional<QSqlError> ResponseDatabase::upgrade(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return q.lastError();
    if (q.value(0).toInt() >= SchemaVersion)
        return std::nullopt;
    const QSqlRecord columns = db.record(Table);
    QStringList steps;
    for (const char* column : {"Form_Response_Status", "Form_Response_Fingerprint"})
        if (!columns.contains(QLatin1String(column)))
            steps << QStringLiteral("ALTER TABLE Form_Response ADD COLUMN %1 TEXT")
                         .arg(QLatin1String(column));
    QStringList made = schema();
    if (db.record(FieldTable).isEmpty())
        steps << made[1];
    steps << made[2].replace(QStringLiteral("CREATE INDEX"),
                             QStringLiteral("CREATE INDEX IF NOT EXISTS"))
          << made[3];
    for (const QString& step : steps)
        if (!q.exec(step))
            return q.lastError();
    return std::nullopt;
}

bool ResponseDatabase::holdsFingerprint(const QString& fingerprint) const
{
    if (!QFileInfo::exists(m_path))
        return false;
    const Connection connection(m_path, QStringLiteral("QSQLITE_OPEN_READONLY"));
    QSqlDatabase db = QSqlDatabase::database(connection.name(), false);
    bool found = false;
    if (db.open() && db.record(Table).contains(QStringLiteral("Form_Response_Fingerprint"))) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "SELECT 1 FROM Form_Response WHERE Form_Response_Fingerprint = ? LIMIT 1"));
        q.addBindValue(fingerprint);
        found = q.exec() && q.next();
        q.finish();
    }
    db.close();
    db = QSqlDatabase();
    return found;
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
            made = true;
            for (const QString& statement : schema())
                made = made && create.exec(statement);
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
        // A file of an earlier version lacks the newer columns and the field table.
        const QSqlRecord columns = db.record(Table);
        const auto column = [&columns](const char* name) {
            return columns.contains(QLatin1String(name)) ? QLatin1String(name)
                                                         : QLatin1String("''");
        };
        QSqlQuery q(db);
        QHash<qint64, qsizetype> rowOf;
        if (q.exec(QStringLiteral(
                       "SELECT Form_Response_ID, Form_Reponse_Source_Date, "
                       "Form_Response_Source_Address, Form_Response_Subject, "
                       "Form_Response_Message, %1, %2 FROM Form_Response ORDER BY Form_Response_ID")
                       .arg(column("Form_Response_Status"), column("Form_Response_Fingerprint")))) {
            while (q.next()) {
                rowOf.insert(q.value(0).toLongLong(), records.size());
                records.append({shownDate(q.value(1).toString()), q.value(2).toString(),
                                q.value(3).toString(), q.value(4).toString(),
                                q.value(5).toString(), q.value(6).toString(), {}});
            }
        }
        if (!db.record(FieldTable).isEmpty() &&
            q.exec(QStringLiteral("SELECT Form_Response_ID, Form_Name, Friendly_Name, Field_Value "
                                  "FROM Form_Field ORDER BY Form_Response_ID, Field_Position"))) {
            while (q.next()) {
                const auto row = rowOf.constFind(q.value(0).toLongLong());
                if (row != rowOf.cend())
                    records[*row].fields.append(
                        {q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
            }
        }
        q.finish();
        db.close();
    }
    db = QSqlDatabase();
    return records;
}
