// The reply to one submission: address question, send line, print job and recorded row.
#include "RecordingPrinter.h"
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "reply/ReplySender.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
const QString Prompt = u"Prompt For Email Address"_s;
const QString Ann = u"ann@example.com"_s;
const QStringList ReplyLines{u"Dear Your name: Ann,"_s, u"thanks."_s};
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
    QList<ResponseRecord> rows() const { return ResponseDatabase::readRecords(databasePath()); }
    QString warning(const QString& code) const { return ErrorReporter::warningText(code); }
    void setFlag(SystemSettings::Key key, bool on) { state().settings().setFlag(key, on ? 1 : 0); }
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
        SystemSettings& s = state().settings();
        s.setText(SystemSettings::SMTP_Server_Address, server->address());
        s.setText(SystemSettings::SMTP_From_Address, u"forms@example.com"_s);
        s.setText(SystemSettings::SMTP_Reply_Subject, u"Receipt Confirmation"_s);
        state().printJobFactory = printer->factory();

        // A decoded submission: name with a friendly name, email without one.
        VariableTable& v = state().variables();
        v.appendDefinition({u"name"_s, u"Your name"_s});
        v.appendDefinition({u"email"_s, QString()});
        for (const auto& [name, value] : {std::pair{u"name"_s, u"Ann"_s}, {u"email"_s, Ann}}) {
            v.AddName(name);
            v.SetLastValue(value);
        }
        v.FinishSubmission();
        v.ShowInGrid();
        state().replyTemplate().setDesignText(u"Dear <<name>>,\r\nthanks."_s);
        state().replyTemplate().setChanged(false);
        sender = std::make_unique<ReplySender>(state().replyTemplate(), v, s, app->dialogs,
                                               state().eventLog(), state().smtp(),
                                               state().recorder(), state().printJobFactory);
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
        QCOMPARE(state().eventLog().text(), u"\r\n   SMTP Send to ann@example.com [OK]"_s);
        QVERIFY(state().replyTemplate().isChanged());
        QVERIFY(server->commands().contains("RCPT TO:<ann@example.com>"));
        QVERIFY(server->data().endsWith("\r\n\r\nDear Your name: Ann,\r\nthanks.\r\n"));

        const auto recorded = rows();
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(recorded[0].sourceAddress, Ann);
        QCOMPARE(recorded[0].message, u"Dear Your name: Ann,\r\nthanks."_s);
        QVERIFY(printer->jobs().isEmpty());
    }

    void addressIsAskedUntilItHasAnAtSign()
    {
        app->dialogs.answerText(u"ann"_s);
        app->dialogs.answerText(Ann);
        QCOMPARE(reply(Prompt), Ann);
        QCOMPARE(app->dialogs.shown().size(), 2);
        QCOMPARE(app->dialogs.shown().at(1).text, u"Email Reply To:"_s);
        QCOMPARE(rows().at(0).sourceAddress, Ann);
    }

    void noAddressSendsNothingButStillRecords_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("empty answer") << false;
        QTest::newRow("cancel") << true;
    }
    void noAddressSendsNothingButStillRecords()
    {
        QFETCH(bool, cancel);
        setFlag(SystemSettings::Auto_Print_Reply, true);
        app->dialogs.answerText(cancel ? std::nullopt : std::optional<QString>(QString()));
        QCOMPARE(reply(Prompt), QString());
        QCOMPARE(app->dialogs.shown().size(), 1);
        QCOMPARE(server->connections(), 0);
        QCOMPARE(state().eventLog().lineCount(), 0);
        QCOMPARE(printer->jobs().size(), 1);
        QCOMPARE(rows().at(0).sourceAddress, QString());
    }

    void suppressedReplyIsStillPrintedAndRecorded()
    {
        setFlag(SystemSettings::Suppress_Reply_To_Sender, true);
        setFlag(SystemSettings::Auto_Print_Reply, true);
        reply(Prompt);
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(server->connections(), 0);
        QCOMPARE(state().eventLog().lineCount(), 0);
        QCOMPARE(printer->jobs()[0].lines, ReplyLines);
        QCOMPARE(rows().at(0).sourceAddress, Prompt);
    }

    void failedSendIsLoggedAndStillRecorded()
    {
        server->setReply("RCPT", "550 5.1.1 no such user\r\n");
        reply(u"nobody@example.com"_s);
        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpWrongTo)});
        QCOMPARE(state().eventLog().text(), u"\r\n   SMTP Send to nobody@example.com [FAILED]"_s);
        QCOMPARE(rows().size(), 1);
    }

    void printSettingsMakeOneJob_data()
    {
        QTest::addColumn<bool>("forms");
        QTest::addColumn<bool>("reply");
        QTest::addColumn<QStringList>("lines");
        const QStringList formLines{u"Your name [name] : Ann"_s, u" [email] : ann@example.com"_s};
        QTest::newRow("forms") << true << false << formLines;
        QTest::newRow("reply") << false << true << ReplyLines;
        QTest::newRow("forms and reply")
            << true << true
            << formLines + QStringList{QString(), u"---------- Reply:"_s, QString()} + ReplyLines;
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
        QCOMPARE(rows().size(), 3);
    }

    void unusableDatabaseIsReportedOnce_data()
    {
        QTest::addColumn<QString>("database"); // how FORM.MDB is unusable
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << ErrorCode::ConnectingDatabase;
        QTest::newRow("corrupt") << "corrupt" << ErrorCode::ConnectingDatabase;
        QTest::newRow("locked") << "locked" << ErrorCode::WritingDatabase;
    }
    void unusableDatabaseIsReportedOnce()
    {
        QFETCH(QString, database);
        if (database == u"missing"_s)
            QFile::remove(databasePath());
        if (database == u"corrupt"_s)
            app->writeFile(ResponseDatabase::FileName, QByteArray(2048, '\x7f'));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
            if (database == u"locked"_s) {
                db.setDatabaseName(databasePath());
                db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=0"_s);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec(u"BEGIN IMMEDIATE"_s));
            }
            state().recorder().database().setBusyLimit(200);
            reply();
            db.close();
            // Released now, but recording stays off for the rest of the run.
            reply();
        }
        QSqlDatabase::removeDatabase(u"holder"_s);

        QFETCH(QString, message);
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QVERIFY(!state().flags.recordingEnabled);
        QCOMPARE(rows().size(), 0);
        // The program never makes the file, nor changes one it cannot use.
        QCOMPARE(QFile::exists(databasePath()), database != u"missing"_s);
        if (database == u"corrupt"_s)
            QCOMPARE(app->readFile(ResponseDatabase::FileName), QByteArray(2048, '\x7f'));
        // Replies go on.
        QCOMPARE(state().eventLog().lineCount(), 2);
        // The next start turns recording on again.
        state().InitialiseApplication();
        QVERIFY(state().flags.recordingEnabled);
    }
};

QTEST_MAIN(TestReplySender)
#include "test_replysender.moc"
