// FORM.MDB: made empty by the build, appended to by the program, never created by it.
#include "TestSupport.h"
#include "reply/ResponseDatabase.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

namespace {

// A second connection, as another program holding the file would have.
class OtherHolder
{
public:
    explicit OtherHolder(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        db.open();
    }
    ~OtherHolder()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(Name);
            db.close();
        }
        QSqlDatabase::removeDatabase(Name);
    }
    bool exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(Name));
        return q.exec(sql);
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(Name));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private:
    static inline const QString Name = QStringLiteral("other holder");
};

ResponseRecord record(const QString& address = QStringLiteral("ann@example.com"))
{
    return {QDateTime(QDate(2026, 3, 1), QTime(9, 30, 5), Qt::UTC), address,
            QStringLiteral("Receipt Confirmation"), QStringLiteral("Dear Ann,\r\nthanks.")};
}

} // namespace

class TestResponseDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> app;
    QString path;

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        path = app->path(ResponseDatabase::FileName);
    }

    void cleanup() { app.reset(); }

    void emptyDatabaseHasTheTableAndNothingElseIsReplaced()
    {
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path), ResponseDatabase::Creation::Created);
        QVERIFY(!QFile::exists(path + QStringLiteral(".new")));
        {
            OtherHolder db(path);
            QCOMPARE(db.value(QStringLiteral(
                         "SELECT sql FROM sqlite_master WHERE name = 'Form_Response'")).toString(),
                     ResponseDatabase::schema());
            QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM Form_Response")).toInt(), 0);
        }
        QCOMPARE(ResponseDatabase(path).AppendRecord(record()), ResponseDatabase::Result::Recorded);
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path),
                 ResponseDatabase::Creation::AlreadyThere);
        QCOMPARE(ResponseDatabase::readRecords(path).size(), 1);

        const QString other = app->path(QStringLiteral("OTHER.MDB"));
        app->writeFile(QStringLiteral("OTHER.MDB"), "not a database");
        QCOMPARE(ResponseDatabase::createEmptyDatabase(other),
                 ResponseDatabase::Creation::AlreadyThere);
        QCOMPARE(app->readFile(QStringLiteral("OTHER.MDB")), QByteArray("not a database"));
    }

    void rowHoldsTheValuesAsGiven()
    {
        ResponseDatabase::createEmptyDatabase(path);
        ResponseDatabase db(path);
        const QString tricky = QStringLiteral("o'brien@example.com'); DROP TABLE Form_Response; --");
        ResponseRecord r = record(tricky);
        r.message = QStringLiteral("Line \"one\"\r\nZo\u00eb \u2713\r\n");
        QCOMPARE(db.AppendRecord(r), ResponseDatabase::Result::Recorded);
        QCOMPARE(db.AppendRecord(record(QString())), ResponseDatabase::Result::Recorded);

        const QList<ResponseRecord> rows = ResponseDatabase::readRecords(path);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].sourceAddress, tricky);
        QCOMPARE(rows[0].subject, QStringLiteral("Receipt Confirmation"));
        QCOMPARE(rows[0].message, r.message);
        QCOMPARE(rows[0].sourceDate, r.sourceDate);
        QCOMPARE(rows[0].sourceDate.timeSpec(), Qt::LocalTime);

        OtherHolder other(path);
        QCOMPARE(other.value(QStringLiteral(
                     "SELECT Form_Reponse_Source_Date FROM Form_Response ORDER BY 1 LIMIT 1")),
                 QVariant(QStringLiteral("2026-03-01T09:30:05Z")));
        // An address the user did not give is empty text, not missing.
        QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM Form_Response WHERE "
                                            "Form_Response_Source_Address = ''")).toInt(), 1);
    }

    void unusableFileFailsToConnect_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("not a database") << QByteArray(4096, 'x') << true;
        QTest::newRow("empty file") << QByteArray() << true;
    }

    void unusableFileFailsToConnect()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, present);
        if (present)
            app->writeFile(ResponseDatabase::FileName, contents);
        QCOMPARE(ResponseDatabase(path).AppendRecord(record()),
                 ResponseDatabase::Result::ConnectFailed);
        // The program never makes the file, nor changes one it cannot use.
        QCOMPARE(QFile::exists(path), present);
        if (present)
            QCOMPARE(app->readFile(ResponseDatabase::FileName), contents);
    }

    void databaseWithoutTheTableFailsToConnect()
    {
        {
            OtherHolder other(path);
            QVERIFY(other.exec(QStringLiteral("CREATE TABLE Something (x TEXT)")));
        }
        QCOMPARE(ResponseDatabase(path).AppendRecord(record()),
                 ResponseDatabase::Result::ConnectFailed);
    }

    void busyDatabaseIsWaitedFor()
    {
        ResponseDatabase::createEmptyDatabase(path);
        OtherHolder other(path);
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        // The other holder lets go while the retries run the event loop.
        QTimer::singleShot(150, [&other] { other.exec(QStringLiteral("COMMIT")); });
        QCOMPARE(ResponseDatabase(path).AppendRecord(record()), ResponseDatabase::Result::Recorded);
        QCOMPARE(ResponseDatabase::readRecords(path).size(), 1);
    }

    void databaseBusyBeyondTheLimitFails_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<ResponseDatabase::Result>("result");
        QTest::newRow("held for writing") << "BEGIN IMMEDIATE" << ResponseDatabase::Result::WriteFailed;
        QTest::newRow("held exclusively") << "BEGIN EXCLUSIVE" << ResponseDatabase::Result::ConnectFailed;
    }

    void databaseBusyBeyondTheLimitFails()
    {
        QFETCH(QString, lock);
        QFETCH(ResponseDatabase::Result, result);
        ResponseDatabase::createEmptyDatabase(path);
        OtherHolder other(path);
        QVERIFY(other.exec(lock));
        ResponseDatabase db(path);
        db.setBusyLimit(200);
        QCOMPARE(db.AppendRecord(record()), result);
        other.exec(QStringLiteral("ROLLBACK"));
        QCOMPARE(ResponseDatabase::readRecords(path).size(), 0);
    }
};

QTEST_MAIN(TestResponseDatabase)
#include "test_responsedatabase.moc"
