// The reply to one submission: address question, send line, print job and the row recorded in
// FORM.MDB; the database itself and the Qt print job.
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "platform/QtPrintJob.h"
#include "platform/RecordingPrinter.h"
#include "reply/ReplySender.h"

namespace {

const QString Prompt = QStringLiteral("Prompt For Email Address");
const QString Ann = QStringLiteral("ann@example.com");
const QStringList ReplyLines{"Dear Your name: Ann,", "thanks."};
using Result = ResponseDatabase::Result;

// A second connection, as another program holding the file would have.
struct OtherHolder
{
    QSqlDatabase db;
    explicit OtherHolder(const QString& path) : db(QSqlDatabase::addDatabase("QSQLITE", "other holder"))
    {
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
        db.open();
    }
    ~OtherHolder()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("other holder");
    }
    bool exec(const QString& sql) { return QSqlQuery(db).exec(sql); }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(db);
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
};

ResponseRecord record(const QString& address = Ann)
{
    return {QDateTime(QDate(2026, 3, 1), QTime(9, 30, 5), Qt::UTC), address, "Receipt Confirmation",
            "Dear Ann,\r\nthanks."};
}

} // namespace

class TestReplySender : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> app;
    std::unique_ptr<ScriptedSmtpServer> server;
    std::unique_ptr<RecordingPrinter> printer;
    std::unique_ptr<ReplySender> sender;

    AppState& state() { return *app->state; }
    QString databasePath() const { return app->path(ResponseDatabase::FileName); }
    void setFlag(SystemSettings::Key key, bool on) { app->settings().setFlag(key, on ? 1 : 0); }
    // The target as the address check leaves it.
    QString reply(QString target = Ann)
    {
        sender->SendReply(target);
        return target;
    }

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        server = std::make_unique<ScriptedSmtpServer>();
        printer = std::make_unique<RecordingPrinter>();
        ResponseDatabase::createEmptyDatabase(databasePath());
        SystemSettings& s = app->settings();
        s.setText(SystemSettings::SMTP_Server_Address, server->address());
        s.setText(SystemSettings::SMTP_From_Address, "forms@example.com");
        s.setText(SystemSettings::SMTP_Reply_Subject, "Receipt Confirmation");
        state().printJobFactory = printer->factory();
        // A decoded submission: name with a friendly name, email without one.
        VariableTable& v = state().variables();
        v.appendDefinition({"name", "Your name"});
        v.appendDefinition({"email", QString()});
        for (const auto& [name, value] : {std::pair<QString, QString>{"name", "Ann"}, {"email", Ann}}) {
            v.AddName(name);
            v.SetLastValue(value);
        }
        v.FinishSubmission();
        v.ShowInGrid();
        state().replyTemplate().setDesignText("Dear <<name>>,\r\nthanks.");
        state().replyTemplate().setChanged(false);
        sender = std::make_unique<ReplySender>(state());
    }
    void cleanup()
    {
        sender.reset();
        server.reset();
        app.reset();
        printer.reset();
    }

    void replyIsMergedSentLoggedAndRecorded()
    {
        QCOMPARE(reply(), Ann);
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(state().eventLog().text(), QStringLiteral("\r\n   SMTP Send to ann@example.com [OK]"));
        QVERIFY(state().replyTemplate().isChanged());
        QVERIFY(server->commands().contains("RCPT TO:<ann@example.com>"));
        QVERIFY(server->data().endsWith("\r\n\r\nDear Your name: Ann,\r\nthanks.\r\n"));
        const auto recorded = app->rows();
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(recorded[0].sourceAddress, Ann);
        QCOMPARE(recorded[0].message, QStringLiteral("Dear Your name: Ann,\r\nthanks."));
        QVERIFY(printer->jobs().isEmpty());
    }

    void addressIsAskedUntilItHasAnAtSign()
    {
        app->dialogs.answerText(QStringLiteral("ann"));
        app->dialogs.answerText(Ann);
        QCOMPARE(reply(Prompt), Ann);
        QCOMPARE(app->dialogs.shown().size(), 2);
        QCOMPARE(app->dialogs.shown().at(1).text, QStringLiteral("Email Reply To:"));
        QCOMPARE(app->rows().at(0).sourceAddress, Ann);
    }

    // No address (an empty answer or Cancel), or replies suppressed: nothing is sent, but the
    // reply is still printed and recorded.
    void unsentReplyIsStillPrintedAndRecorded_data()
    {
        QTest::addColumn<int>("how"); // 0 empty answer, 1 cancel, 2 suppressed
        QTest::addColumn<QString>("recorded");
        QTest::newRow("empty answer") << 0 << "";
        QTest::newRow("cancel") << 1 << "";
        QTest::newRow("suppressed") << 2 << Prompt;
    }
    void unsentReplyIsStillPrintedAndRecorded()
    {
        QFETCH(int, how);
        setFlag(SystemSettings::Auto_Print_Reply, true);
        setFlag(SystemSettings::Suppress_Reply_To_Sender, how == 2);
        if (how < 2)
            app->dialogs.answerText(how ? std::nullopt : std::optional<QString>(QString()));
        reply(Prompt);
        QCOMPARE(app->dialogs.shown().size(), how < 2 ? 1 : 0);
        QCOMPARE(server->connections(), 0);
        QCOMPARE(state().eventLog().lineCount(), 0);
        QCOMPARE(printer->jobs().value(0).lines, ReplyLines);
        QTEST(app->rows().at(0).sourceAddress, "recorded");
    }

    void failedSendIsLoggedAndStillRecorded()
    {
        server->setReply("RCPT", "550 5.1.1 no such user\r\n");
        reply("nobody@example.com");
        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpWrongTo)});
        QCOMPARE(state().eventLog().text(), QStringLiteral("\r\n   SMTP Send to nobody@example.com [FAILED]"));
        QCOMPARE(app->rows().size(), 1);
    }

    void printSettingsMakeOneJob_data()
    {
        QTest::addColumn<bool>("forms");
        QTest::addColumn<bool>("reply");
        QTest::addColumn<QStringList>("lines");
        const QStringList formLines{"Your name [name] : Ann", " [email] : ann@example.com"};
        QTest::newRow("forms") << true << false << formLines;
        QTest::newRow("reply") << false << true << ReplyLines;
        QTest::newRow("forms and reply") << true << true
                                         << formLines + QStringList{"", "---------- Reply:", ""} + ReplyLines;
    }
    void printSettingsMakeOneJob()
    {
        QFETCH(bool, forms);
        QFETCH(bool, reply);
        setFlag(SystemSettings::Auto_Print_Forms, forms);
        setFlag(SystemSettings::Auto_Print_Reply, reply);
        this->reply();
        QCOMPARE(printer->jobs().size(), 1);
        QTEST(printer->jobs()[0].lines, "lines");
        QVERIFY(printer->jobs()[0].ended);
    }

    void printerTroubleIsQuiet()
    {
        setFlag(SystemSettings::Auto_Print_Forms, true);
        setFlag(SystemSettings::Auto_Print_Reply, true);
        printer->failAtLine(2);
        reply();
        QCOMPARE(printer->jobs()[0].lines.size(), 1);
        QVERIFY(!printer->jobs()[0].ended);
        printer->setAvailable(false);
        reply();
        state().printJobFactory = nullptr;
        reply();
        QCOMPARE(printer->jobs().size(), 1);
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(app->rows().size(), 3);
    }

    void unusableDatabaseIsReportedOnce_data()
    {
        QTest::addColumn<QString>("database"); // how FORM.MDB is unusable
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << ErrorCode::ConnectingDatabase;
        QTest::newRow("corrupt") << "corrupt" << ErrorCode::ConnectingDatabase;
        QTest::newRow("without the table") << "other" << ErrorCode::ConnectingDatabase;
        QTest::newRow("locked") << "locked" << ErrorCode::WritingDatabase;
    }
    void unusableDatabaseIsReportedOnce()
    {
        QFETCH(QString, database);
        QFile::remove(databasePath());
        if (database == "corrupt")
            app->writeFile(ResponseDatabase::FileName, QByteArray(2048, '\x7f'));
        if (database == "locked")
            ResponseDatabase::createEmptyDatabase(databasePath());
        const QByteArray before = app->readFile(ResponseDatabase::FileName);
        {
            std::optional<OtherHolder> other;
            if (database == "other" || database == "locked")
                other.emplace(databasePath());
            if (database == "other")
                QVERIFY(other->exec("CREATE TABLE Something (x TEXT)"));
            if (database == "locked")
                QVERIFY(other->exec("BEGIN IMMEDIATE"));
            sender->recorder().database().setBusyLimit(200);
            reply();
        }
        // Released now, but recording stays off for the rest of the run.
        reply();
        QFETCH(QString, message);
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QVERIFY(!state().recordingEnabled);
        // The program never makes the file, nor changes one it cannot use.
        QCOMPARE(QFile::exists(databasePath()), database != "missing");
        if (database == "corrupt")
            QCOMPARE(app->readFile(ResponseDatabase::FileName), before);
        QCOMPARE(app->rows().size(), 0);
        QCOMPARE(state().eventLog().lineCount(), 2); // replies go on
        // The next start turns recording on again.
        state().InitialiseApplication();
        QVERIFY(state().recordingEnabled);
    }

    void databaseIsMadeOnceAndHoldsTheValuesAsGiven()
    {
        const QString path = databasePath();
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path), ResponseDatabase::Creation::AlreadyThere);
        QFile::remove(path);
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path), ResponseDatabase::Creation::Created);
        QVERIFY(!QFile::exists(path + ".new"));
        ResponseRecord r = record("o'brien@example.com'); DROP TABLE Form_Response; --");
        r.message = "Line \"one\"\r\nZo\u00eb \u2713\r\n";
        ResponseDatabase db(path);
        QCOMPARE(db.AppendRecord(r), Result::Recorded);
        QCOMPARE(db.AppendRecord(record(QString())), Result::Recorded);
        QCOMPARE(ResponseDatabase::createEmptyDatabase(path), ResponseDatabase::Creation::AlreadyThere);
        const QList<ResponseRecord> rows = ResponseDatabase::readRecords(path);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].sourceAddress, r.sourceAddress);
        QCOMPARE(rows[0].message, r.message);
        QCOMPARE(rows[0].sourceDate, r.sourceDate);
        QCOMPARE(rows[0].sourceDate.timeSpec(), Qt::LocalTime);
        OtherHolder other(path);
        QCOMPARE(other.value("SELECT Form_Reponse_Source_Date FROM Form_Response LIMIT 1"),
                 QVariant("2026-03-01T09:30:05Z"));
        // An address the user did not give is empty text, not missing.
        QCOMPARE(other.value("SELECT count(*) FROM Form_Response WHERE Form_Response_Source_Address = ''").toInt(), 1);
    }

    void busyDatabaseIsWaitedForUpToTheLimit()
    {
        OtherHolder other(databasePath());
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
        ResponseDatabase db(databasePath());
        db.setBusyLimit(200);
        QCOMPARE(db.AppendRecord(record()), Result::ConnectFailed);
        // The other holder lets go while the retries run the event loop.
        QTimer::singleShot(150, [&other] { other.exec("COMMIT"); });
        QCOMPARE(ResponseDatabase(databasePath()).AppendRecord(record()), Result::Recorded);
        QCOMPARE(app->rows().size(), 1);
    }

    void qtJobPrintsLinesOverSeveralPagesAndNothingWhenEmpty()
    {
        QCOMPARE(PrintJob::lines("a\nb\rc\r\n"), (QStringList{"a", "b", "c", ""}));
        const QString path = app->path("job.pdf");
        auto job = QtPrintJob::toPdfFile(path);
        for (int i = 0; i < 300; ++i)
            QVERIFY(job->printLine(QStringLiteral("Line %1 ").arg(i).repeated(i % 7 == 0 ? 40 : 1)));
        QVERIFY(job->end());
        const QByteArray pdf = readBytes(path);
        QVERIFY(pdf.startsWith("%PDF"));
        const auto pages = QRegularExpression("/Count (\\d+)").match(QString::fromLatin1(pdf));
        QVERIFY2(pages.captured(1).toInt() > 1, qPrintable(pages.captured(0)));

        const QString empty = app->path("empty.pdf");
        QVERIFY(QtPrintJob::toPdfFile(empty)->end());
        QVERIFY(!QFile::exists(empty));
    }
};

QTEST_MAIN(TestReplySender)
#include "test_replysender.moc"
