// FORM.MDB: made empty by the build, appended to by the program, never created by it.
#include "TestSupport.h"
#include "reply/ResponseDatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;
using Result = ResponseDatabase::Result;

namespace {

// A second connection, as another program holding the file would have.
struct OtherHolder
{
    QSqlDatabase db;

    explicit OtherHolder(const QString& path)
        : db(QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other holder"_s))
    {
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=0"_s);
        db.open();
    }
    ~OtherHolder()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"other holder"_s);
    }
    bool exec(const QString& sql) { return QSqlQuery(db).exec(sql); }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(db);
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
};

ResponseRecord record(const QString& address = u"ann@example.com"_s)
{
    return {QDateTime(QDate(2026, 3, 1), QTime(9, 30, 5), Qt::UTC), address,
            u"Receipt Confirmation"_s, u"Dear Ann,\r\nthanks."_s};
}

} // namespace

class TestResponseDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> app;
    QString path;

    Result append() { return ResponseDatabase(path).AppendRecord(record()); }

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        path = app->path(ResponseDatabase::FileName);
    }

    void cleanup() { app.reset(); }

    void emptyDatabaseIsMadeOnceAndNothingIsReplaced()
    {
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path), ResponseDatabase::Creation::Created);
        QVERIFY(!QFile::exists(path + u".new"_s));
        QCOMPARE(append(), Result::Recorded);
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path),
                 ResponseDatabase::Creation::AlreadyThere);
        QCOMPARE(ResponseDatabase::readRecords(path).size(), 1);

    }

    void rowHoldsTheValuesAsGiven()
    {
        ResponseDatabase::createEmptyDatabase(path);
        ResponseDatabase db(path);
        ResponseRecord r = record(u"o'brien@example.com'); DROP TABLE Form_Response; --"_s);
        r.message = u"Line \"one\"\r\nZo\u00eb \u2713\r\n"_s;
        QCOMPARE(db.AppendRecord(r), Result::Recorded);
        QCOMPARE(db.AppendRecord(record(QString())), Result::Recorded);

        const QList<ResponseRecord> rows = ResponseDatabase::readRecords(path);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].sourceAddress, r.sourceAddress);
        QCOMPARE(rows[0].message, r.message);
        QCOMPARE(rows[0].sourceDate, r.sourceDate);
        QCOMPARE(rows[0].sourceDate.timeSpec(), Qt::LocalTime);

        OtherHolder other(path);
        QCOMPARE(other.value(u"SELECT Form_Reponse_Source_Date FROM Form_Response LIMIT 1"_s),
                 QVariant(u"2026-03-01T09:30:05Z"_s));
        // An address the user did not give is empty text, not missing.
        QCOMPARE(other
                     .value(u"SELECT count(*) FROM Form_Response WHERE "
                            "Form_Response_Source_Address = ''"_s)
                     .toInt(),
                 1);
    }

    void databaseWithoutTheTableFailsToConnect()
    {
        QVERIFY(OtherHolder(path).exec(u"CREATE TABLE Something (x TEXT)"_s));
        QCOMPARE(append(), Result::ConnectFailed);
    }

    void busyDatabaseIsWaitedFor()
    {
        ResponseDatabase::createEmptyDatabase(path);
        OtherHolder other(path);
        QVERIFY(other.exec(u"BEGIN EXCLUSIVE"_s));
        // The other holder lets go while the retries run the event loop.
        QTimer::singleShot(150, [&other] { other.exec(u"COMMIT"_s); });
        QCOMPARE(append(), Result::Recorded);
        QCOMPARE(ResponseDatabase::readRecords(path).size(), 1);
    }

    void databaseBusyBeyondTheLimitFails_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<Result>("result");
        QTest::newRow("held for writing") << "BEGIN IMMEDIATE" << Result::WriteFailed;
        QTest::newRow("held exclusively") << "BEGIN EXCLUSIVE" << Result::ConnectFailed;
    }
    void databaseBusyBeyondTheLimitFails()
    {
        QFETCH(QString, lock);
        ResponseDatabase::createEmptyDatabase(path);
        OtherHolder other(path);
        QVERIFY(other.exec(lock));
        ResponseDatabase db(path);
        db.setBusyLimit(200);
        QTEST(db.AppendRecord(record()), "result");
        other.exec(u"ROLLBACK"_s);
        QCOMPARE(ResponseDatabase::readRecords(path).size(), 0);
    }
};

QTEST_MAIN(TestResponseDatabase)
#include "test_responsedatabase.moc"
