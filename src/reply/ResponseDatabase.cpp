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
#include <sqlite3.h>
#include <utility>

namespace {

const QString Driver = QStringLiteral("QSQLITE");

QString connectionName()
{
    static QAtomicInteger<int> next;
    return QStringLiteral("FORM.MDB-%1").arg(next.fetchAndAddRelaxed(1));
}

// SQLITE_BUSY and SQLITE_LOCKED, also in their extended forms: another connection holds the
// file, so a later try may succeed.
bool isBusy(int code)
{
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

// A statement of SQLite's own interface: a reply's write goes without the cost that Qt's layer
// adds to every statement and every value. The first failure sticks: later calls do nothing and
// code() gives it.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        m_code = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_code == SQLITE_OK; }
    int code() const { return m_code; }
    sqlite3_stmt* handle() const { return m_statement; }

    // The text must outlive the step. A null QString is bound as empty text, not as NULL.
    void bind(int index, const QByteArray& text)
    {
        if (ok())
            m_code = sqlite3_bind_text(m_statement, index, text.constData(), int(text.size()),
                                       SQLITE_STATIC);
    }
    void bind(int index, sqlite3_int64 value)
    {
        if (ok())
            m_code = sqlite3_bind_int64(m_statement, index, value);
    }
    // SQLITE_ROW, SQLITE_DONE or the failure, which then sticks.
    int step()
    {
        const int code = sqlite3_step(m_statement);
        if (code != SQLITE_ROW && code != SQLITE_DONE)
            m_code = code;
        return code;
    }
    void reset()
    {
        if (ok())
            m_code = sqlite3_reset(m_statement);
    }

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_code = SQLITE_OK;
};

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
    const QByteArray uri = QUrl::fromLocalFile(m_path).toString(QUrl::FullyEncoded).toUtf8() +
                           QByteArrayLiteral("?mode=rw");
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(
        uri.constData(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    const Result result = opened == SQLITE_OK ? append(db, record, busy) : Result::ConnectFailed;
    sqlite3_close_v2(db);
    return result;
}

ResponseDatabase::Result ResponseDatabase::append(sqlite3* db, const ResponseRecord& record,
                                                  const QDeadlineTimer& busy)
{
    sqlite3_extended_result_codes(db, 1);
    for (;;) {
        Statement probe(db, "SELECT 1 FROM Form_Response LIMIT 0");
        const int code = probe.ok() ? probe.step() : probe.code();
        if (code == SQLITE_DONE)
            break;
        if (!isBusy(code) || busy.hasExpired())
            return Result::ConnectFailed;
        EventLoopWait::pause(BusyStepMs);
    }
    for (;;) {
        const int code = write(db, record);
        if (code == SQLITE_OK)
            return Result::Recorded;
        if (!isBusy(code) || busy.hasExpired())
            return Result::WriteFailed;
        EventLoopWait::pause(BusyStepMs);
    }
}

// The row, its fields and any upgrade of an older file commit together or not at all.
int ResponseDatabase::write(sqlite3* db, const ResponseRecord& record)
{
    // IMMEDIATE takes the write lock first, so that a busy file fails before anything is done.
    if (const int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr))
        return code;
    const int code = insert(db, record);
    if (code != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return code;
    }
    if (const int failed = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr)) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return failed;
    }
    return SQLITE_OK;
}

int ResponseDatabase::insert(sqlite3* db, const ResponseRecord& record)
{
    if (const int code = upgrade(db))
        return code;
    {
        Statement row(db, "INSERT INTO Form_Response (Form_Reponse_Source_Date, "
                          "Form_Response_Source_Address, Form_Response_Subject, "
                          "Form_Response_Message, Form_Response_Status, "
                          "Form_Response_Fingerprint) VALUES (?, ?, ?, ?, ?, ?)");
        const QByteArray texts[] = {storedDate(record.sourceDate).toUtf8(),
                                    record.sourceAddress.toUtf8(), record.subject.toUtf8(),
                                    record.message.toUtf8(), record.status.toUtf8(),
                                    record.fingerprint.toUtf8()};
        for (int i = 0; i < 6 && row.ok(); ++i)
            row.bind(i + 1, texts[i]);
        if (!row.ok())
            return row.code();
        if (const int code = row.step(); code != SQLITE_DONE)
            return code;
    }
    if (record.fields.isEmpty())
        return SQLITE_OK;
    const sqlite3_int64 id = sqlite3_last_insert_rowid(db);
    // One statement stepped once per field: preparing a statement costs far more than a step.
    Statement field(db, "INSERT INTO Form_Field (Form_Response_ID, Field_Position, Form_Name, "
                        "Friendly_Name, Field_Value) VALUES (?, ?, ?, ?, ?)");
    for (qsizetype k = 0; k < record.fields.size() && field.ok(); ++k) {
        const FormVariable& v = record.fields[k];
        const QByteArray texts[] = {v.formName.toUtf8(), v.friendlyName.toUtf8(),
                                    v.value.toUtf8()};
        field.bind(1, id);
        field.bind(2, k + 1);
        for (int i = 0; i < 3; ++i)
            field.bind(i + 3, texts[i]);
        if (field.ok() && field.step() != SQLITE_DONE)
            return field.code();
        field.reset();
    }
    return field.code();
}

// Brings a file of an earlier version to this one inside the caller's transaction.
int ResponseDatabase::upgrade(sqlite3* db)
{
    int version = 0;
    {
        Statement pragma(db, "PRAGMA user_version");
        const int code = pragma.ok() ? pragma.step() : pragma.code();
        if (code != SQLITE_ROW)
            return code == SQLITE_DONE ? SQLITE_ERROR : code;
        version = sqlite3_column_int(pragma.handle(), 0);
    }
    if (version >= SchemaVersion)
        return SQLITE_OK;
    QStringList columns;
    QStringList fieldColumns;
    for (auto [table, names] : {std::pair{"PRAGMA table_info(Form_Response)", &columns},
                                std::pair{"PRAGMA table_info(Form_Field)", &fieldColumns}}) {
        Statement info(db, table);
        int code = info.ok() ? info.step() : info.code();
        for (; code == SQLITE_ROW; code = info.step())
            names->append(QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(info.handle(), 1))));
        if (code != SQLITE_DONE)
            return code;
    }
    QStringList steps;
    for (const char* column : {"Form_Response_Status", "Form_Response_Fingerprint"})
        if (!columns.contains(QLatin1String(column), Qt::CaseInsensitive))
            steps << QStringLiteral("ALTER TABLE Form_Response ADD COLUMN %1 TEXT")
                         .arg(QLatin1String(column));
    QStringList made = schema();
    if (fieldColumns.isEmpty())
        steps << made[1];
    steps << made[2].replace(QStringLiteral("CREATE INDEX"),
                             QStringLiteral("CREATE INDEX IF NOT EXISTS"))
          << made[3];
    for (const QString& step : steps)
        if (const int code = sqlite3_exec(db, step.toUtf8().constData(), nullptr, nullptr, nullptr))
            return code;
    return SQLITE_OK;
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
