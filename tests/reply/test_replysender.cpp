// The reply to one submission: address question, send line, print job and recorded row.
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "platform/RecordingPrinter.h"
#include "reply/ReplySender.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QString Prompt = QStringLiteral("Prompt For Email Address");
const QStringList ReplyLines{QStringLiteral("Dear Your name: Ann,"), QStringLiteral("thanks.")};

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

private slots:
    void init()
    {
        app = std::make_unique<TestApp>();
        server = std::make_unique<ScriptedSmtpServer>();
        printer = std::make_unique<RecordingPrinter>();
        ResponseDatabase::createEmptyDatabase(databasePath());

        SystemSettings& s = state().settings();
        s.setText(SystemSettings::SMTP_Server_Address, server->address());
        s.setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
        s.setText(SystemSettings::SMTP_Reply_Subject, QStringLiteral("Receipt Confirmation"));
        state().printJobFactory = printer->factory();

        // A decoded submission: name with a friendly name, email without one.
        VariableTable& v = state().variables();
        v.appendDefinition({QStringLiteral("name"), QStringLiteral("Your name")});
        v.appendDefinition({QStringLiteral("email"), QString()});
        v.AddName(QStringLiteral("name"));
        v.SetLastValue(QStringLiteral("Ann"));
        v.AddName(QStringLiteral("email"));
        v.SetLastValue(QStringLiteral("ann@example.com"));
        v.FinishSubmission();
        v.ShowInGrid();
        state().replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,\r\nthanks."));
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
        QString target = QStringLiteral("ann@example.com");
        sender->SendReply(target);

        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(state().eventLog().text(),
                 QStringLiteral("\r\n   SMTP Send to ann@example.com [OK]"));
        QVERIFY(state().replyTemplate().isChanged());
        QVERIFY(server->commands().contains("RCPT TO:<ann@example.com>"));
        QVERIFY(server->data().endsWith("\r\n\r\nDear Your name: Ann,\r\nthanks.\r\n"));

        const auto recorded = rows();
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(recorded[0].sourceAddress, target);
        QCOMPARE(recorded[0].subject, QStringLiteral("Receipt Confirmation"));
        QCOMPARE(recorded[0].message, QStringLiteral("Dear Your name: Ann,\r\nthanks."));
        QVERIFY(qAbs(recorded[0].sourceDate.secsTo(QDateTime::currentDateTime())) < 600);
        QVERIFY(printer->jobs().isEmpty());
    }

    void addressIsAskedUntilItHasAnAtSign()
    {
        app->dialogs.answerText(QStringLiteral("ann"));
        app->dialogs.answerText(QStringLiteral("ann@example.com"));
        QString target = Prompt;
        sender->SendReply(target);

        QCOMPARE(target, QStringLiteral("ann@example.com"));
        const auto& shown = app->dialogs.shown();
        QCOMPARE(shown.size(), 2);
        for (const auto& s : shown) {
            QCOMPARE(s.kind, ScriptedDialogs::Kind::Input);
            QCOMPARE(s.text, QStringLiteral("Email Reply To:"));
            QCOMPARE(s.title, QStringLiteral("Brevane"));
            QCOMPARE(s.defaultText, QString());
        }
        QCOMPARE(state().eventLog().text(),
                 QStringLiteral("\r\n   SMTP Send to ann@example.com [OK]"));
        QCOMPARE(rows().at(0).sourceAddress, target);
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
        QString target = Prompt;
        sender->SendReply(target);

        QCOMPARE(target, QString());
        QCOMPARE(app->dialogs.shown().size(), 1);
        QCOMPARE(server->connections(), 0);
        QCOMPARE(state().eventLog().lineCount(), 0);
        QCOMPARE(printer->jobs().size(), 1);
        const auto recorded = rows();
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(recorded[0].sourceAddress, QString());
    }

    void suppressedReplyIsStillPrintedAndRecorded()
    {
        setFlag(SystemSettings::Suppress_Reply_To_Sender, true);
        setFlag(SystemSettings::Auto_Print_Reply, true);
        QString target = Prompt;
        sender->SendReply(target);

        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(server->connections(), 0);
        QCOMPARE(state().eventLog().lineCount(), 0);
        QCOMPARE(printer->jobs().size(), 1);
        QCOMPARE(printer->jobs()[0].lines, ReplyLines);
        QCOMPARE(rows().at(0).sourceAddress, Prompt);
    }

    void failedSendIsLoggedAndStillRecorded()
    {
        server->setReply("RCPT", "550 5.1.1 no such user\r\n");
        QString target = QStringLiteral("nobody@example.com");
        sender->SendReply(target);

        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpWrongTo)});
        QCOMPARE(state().eventLog().text(),
                 QStringLiteral("\r\n   SMTP Send to nobody@example.com [FAILED]"));
        QCOMPARE(rows().size(), 1);
    }

    void printSettingsMakeOneJob_data()
    {
        QTest::addColumn<bool>("forms");
        QTest::addColumn<bool>("reply");
        QTest::addColumn<QStringList>("lines");
        const QStringList formLines{QStringLiteral("Your name [name] : Ann"),
                                    QStringLiteral(" [email] : ann@example.com")};
        QTest::newRow("forms") << true << false << formLines;
        QTest::newRow("reply") << false << true << ReplyLines;
        QTest::newRow("forms and reply")
            << true << true
            << formLines + QStringList{QString(), QStringLiteral("---------- Reply:"), QString()} +
                   ReplyLines;
    }

    void printSettingsMakeOneJob()
    {
        QFETCH(bool, forms);
        QFETCH(bool, reply);
        QFETCH(QStringList, lines);
        setFlag(SystemSettings::Auto_Print_Forms, forms);
        setFlag(SystemSettings::Auto_Print_Reply, reply);
        QString target = QStringLiteral("ann@example.com");
        sender->SendReply(target);
        QCOMPARE(printer->jobs().size(), 1);
        QCOMPARE(printer->jobs()[0].lines, lines);
        QVERIFY(printer->jobs()[0].ended);
    }

    void printerTroubleIsQuiet()
    {
        setFlag(SystemSettings::Auto_Print_Forms, true);
        setFlag(SystemSettings::Auto_Print_Reply, true);
        printer->failAtLine(2);
        QString target = QStringLiteral("ann@example.com");
        sender->SendReply(target);
        QCOMPARE(printer->jobs()[0].lines.size(), 1);
        QVERIFY(!printer->jobs()[0].ended);

        printer->setAvailable(false);
        sender->SendReply(target);
        state().printJobFactory = nullptr;
        sender->SendReply(target);

        QCOMPARE(printer->jobs().size(), 1);
        QVERIFY(app->dialogs.shown().isEmpty());
        QCOMPARE(rows().size(), 3);
    }

    void missingDatabaseIsReportedOnce()
    {
        QFile::remove(databasePath());
        QString target = QStringLiteral("ann@example.com");
        sender->SendReply(target);
        sender->SendReply(target);

        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::ConnectingDatabase)});
        QVERIFY(!state().recordingEnabled);
        QVERIFY(!QFile::exists(databasePath()));
        // Replies go on.
        QCOMPARE(state().eventLog().lineCount(), 2);
    }

    void unusableDatabaseIsReported_data()
    {
        QTest::addColumn<bool>("corrupt");
        QTest::addColumn<QString>("message");
        QTest::newRow("corrupt") << true << ErrorCode::ConnectingDatabase;
        QTest::newRow("locked") << false << ErrorCode::WritingDatabase;
    }

    void unusableDatabaseIsReported()
    {
        QFETCH(bool, corrupt);
        QFETCH(QString, message);
        if (corrupt)
            app->writeFile(ResponseDatabase::FileName, QByteArray(2048, '\x7f'));
        const QString holder = QStringLiteral("holder");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
            db.setDatabaseName(databasePath());
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(db.open());
            if (!corrupt)
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE")));
            sender->recorder().database().setBusyLimit(200);
            QString target = QStringLiteral("ann@example.com");
            sender->SendReply(target);
            db.close();
            // Released now, but recording stays off for the rest of the run.
            sender->SendReply(target);
        }
        QSqlDatabase::removeDatabase(holder);

        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QVERIFY(!state().recordingEnabled);
        if (!corrupt)
            QCOMPARE(rows().size(), 0);
    }

    void startUpTurnsRecordingOnAgain()
    {
        QFile::remove(databasePath());
        QString target = QStringLiteral("ann@example.com");
        sender->SendReply(target);
        QVERIFY(!state().recordingEnabled);

        ResponseDatabase::createEmptyDatabase(databasePath());
        app->dialogs.clearShown();
        state().InitialiseApplication();
        QVERIFY(state().recordingEnabled);
        // Start-up read the settings afresh; this reply need not go anywhere.
        setFlag(SystemSettings::Suppress_Reply_To_Sender, true);
        sender->SendReply(target);
        QCOMPARE(rows().size(), 1);
    }
};

QTEST_MAIN(TestReplySender)
#include "test_replysender.moc"
