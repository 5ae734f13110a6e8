// The reply to one submission: address question, send line, print job and the row recorded in
// FORM.MDB; the database itself and the Qt print job.
#include "RecordingPrinter.h"
#include "ScriptedSmtpServer.h"
#include "TestSupport.h"
#include "platform/system/ui/QtPrintJob.h"
#include "reply/ReplySender.h"

namespace {

const QString Prompt = ProcessingRun::FolderReplyTarget;
const QString Ann = QStringLiteral("ann@example.com");
const QStringList ReplyLines{"Dear Your name: Ann,", "thanks."};
using Result = ResponseDatabase::Result;

// A recorded row as one line: address, status, fingerprint, message, then its fields.
QString flat(const ResponseRecord& r)
{
    QStringList out{r.sourceAddress, r.status, r.fingerprint, r.message};
    for (const auto& field : r.fields)
        out << field.formName + '/' + field.friendlyName + '=' + field.value;
    return out.join('|');
}

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
    QVariant exec(const QString& sql)
    {
        QSqlQuery q(db);
        return q.exec(sql) ? (q.next() ? q.value(0) : QVariant(true)) : QVariant();
    }
};

} // namespace

class TestReplySender : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApp> app;
    std::unique_ptr<ScriptedSmtpServer> server;
    std::unique_ptr<RecordingPrinter> printer;
    std::unique_ptr<ReplySender> sender;

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
        app->settings().setText(SystemSettings::SMTP_Server_Address, server->address());
        app->settings().setText(SystemSettings::SMTP_From_Address, "forms@example.com");
        app->state->printJobFactory = printer->factory();
        // A decoded submission: name with a friendly name, email without one.
        VariableTable& v = app->state->variables();
        v.appendDefinition({"name", "Your name"});
        v.appendDefinition({"email", QString()});
        for (const auto& [name, value] : {std::pair<QString, QString>{"name", "Ann"}, {"email", Ann}}) {
            v.AddName(name);
            v.SetLastValue(value);
        }
        v.ShowInGrid();
        app->state->replyTemplate().setDesignText("Dear <<name>>,\r\nthanks.");
        AppState& st = *app->state;
        sender = std::make_unique<ReplySender>(st.replyTemplate(), v, st.settings(), app->dialogs, st.eventLog(),
                                               st.smtp(), st.recorder(), st.printJobFactory);
    }
    void cleanup()
    {
        sender.reset();
        server.reset();
        app.reset();
        printer.reset();
    }

    void replyIsMergedSentLoggedAndRecordedOrFailed()
    {
        QCOMPARE(reply(), Ann);
        QVERIFY(app->dialogs.shown().isEmpty() && printer->jobs().isEmpty());
        QCOMPARE(app->state->eventLog().text(), QStringLiteral("\r\n   SMTP Send to ann@example.com [OK]"));
        QVERIFY(server->data().endsWith("\r\n\r\nDear Your name: Ann,\r\nthanks.\r\n"));
        // The submitted fields go with the reply, in their order, with their friendly names.
        QCOMPARE(flat(app->rows()[0]), "ann@example.com|Sent|" + app->rows()[0].fingerprint + '|' + ReplyLines.join("\r\n") +
                                           "|name/Your name=Ann|email/=ann@example.com");
        // A failed send is recorded too, the server's own words logged, so the user can tell why.
        server->setReply("RCPT", "550 5.1.1 no such user\r\n");
        reply("nobody@example.com");
        QCOMPARE(app->dialogs.messages(), QStringList{warning(ErrorCode::SmtpWrongTo)});
        QCOMPARE(app->state->eventLog().text().section("\r\n", 2),
                 QStringLiteral("   SMTP Send to nobody@example.com [FAILED]\r\n   Server said: 550 5.1.1 no such user"));
        QCOMPARE(app->rows().value(1).status, QStringLiteral("Failed"));
    }

    // The address is asked for until it has an at sign (Cancel answers like an empty text);
    // with none given, or with replies suppressed, nothing is sent, but the reply is still
    // printed and recorded. A good answer is taken by the run tests.
    void unsentReplyIsStillPrintedAndRecorded()
    {
        setFlag(SystemSettings::Auto_Print_Reply, true);
        app->dialogs.answerText("ann");
        app->dialogs.answerText(QString());
        reply(Prompt);
        setFlag(SystemSettings::Suppress_Reply_To_Sender, true);
        reply(Prompt);
        QCOMPARE(app->dialogs.shown().size(), 2);
        QCOMPARE(server->connections(), 0);
        QCOMPARE(printer->jobs().size(), 2);
        QCOMPARE(printer->jobs()[1].lines, ReplyLines);
        QStringList recorded;
        for (const ResponseRecord& row : app->rows())
            recorded << row.sourceAddress + '|' + row.status;
        QCOMPARE(recorded, QStringList({"|Not sent", Prompt + "|Not sent"}));
    }

    void printSettingsMakeOneJob()
    {
        const QStringList forms{"Your name [name] : Ann", " [email] : ann@example.com"};
        const QList<QStringList> expected{forms, ReplyLines, forms + QStringList{"", "---------- Reply:", ""} + ReplyLines};
        for (int both = 1; both <= 3; ++both) {
            printer->clear();
            setFlag(SystemSettings::Auto_Print_Forms, both & 1);
            setFlag(SystemSettings::Auto_Print_Reply, both & 2);
            reply();
            QCOMPARE(printer->jobs().size(), 1);
            QVERIFY(printer->jobs()[0].ended);
            QCOMPARE(printer->jobs()[0].lines, expected[both - 1]);
        }
        // A printer that fails or is missing is no reason to stop: nothing is shown.
        printer->clear();
        printer->failAtLine(2);
        reply();
        QCOMPARE(printer->jobs()[0].lines.size(), 1);
        QVERIFY(!printer->jobs()[0].ended);
        printer->setAvailable(false);
        reply();
        app->state->printJobFactory = nullptr;
        reply();
        QCOMPARE(printer->jobs().size(), 1);
        QVERIFY(app->dialogs.shown().isEmpty());
    }

    void unusableDatabaseIsReportedOnce_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << ErrorCode::ConnectingDatabase;
        QTest::newRow("corrupt") << "corrupt" << ErrorCode::ConnectingDatabase;
        QTest::newRow("locked") << "BEGIN IMMEDIATE" << ErrorCode::WritingDatabase;
    }
    void unusableDatabaseIsReportedOnce()
    {
        QFETCH(QString, database);
        if (!database.startsWith("BEGIN"))
            QFile::remove(databasePath());
        if (database == "corrupt")
            app->writeFile(ResponseDatabase::FileName, QByteArray(2048, '\x7f'));
        const QByteArray before = app->readFile(ResponseDatabase::FileName);
        {
            std::optional<OtherHolder> other;
            if (database.startsWith("BEGIN"))
                QVERIFY(other.emplace(databasePath()).exec(database).isValid());
            app->state->recorder().database().setBusyLimit(200);
            reply();
        }
        reply(); // released now, but recording stays off for the rest of the run
        QFETCH(QString, message);
        QCOMPARE(app->dialogs.messages(), QStringList{warning(message)});
        QVERIFY(!app->state->flags.recordingEnabled);
        // The program never makes the file, nor changes one it cannot use.
        QCOMPARE(app->readFile(ResponseDatabase::FileName), before);
        QCOMPARE(app->rows().size(), 0);
        app->state->InitialiseApplication(); // the next start turns recording on again
        QVERIFY(app->state->flags.recordingEnabled);
    }

    // A file of the first version: its rows read with empty new cells, and the first write
    // brings the columns, the field table and the version.
    void olderDatabaseIsUpgradedOnItsFirstWrite()
    {
        const QString path = databasePath();
        QFile::remove(path);
        {
            OtherHolder old(path);
            QVERIFY(old.exec("CREATE TABLE Form_Response (Form_Response_ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                             "Form_Reponse_Source_Date TEXT NOT NULL, Form_Response_Source_Address TEXT, "
                             "Form_Response_Subject TEXT, Form_Response_Message TEXT)").isValid());
            QVERIFY(old.exec("INSERT INTO Form_Response VALUES (7, '2026-01-02T03:04:05Z', 'bo@x.org', 'Re', 'Hi')").isValid());
        }
        const auto rows = [&path] {
            QStringList out;
            for (const ResponseRecord& r : ResponseDatabase::readRecords(path))
                out << flat(r);
            return out;
        };
        QCOMPARE(rows(), QStringList{"bo@x.org|||Hi"});
        QVERIFY(!ResponseDatabase(path).holdsFingerprint(""));
        ResponseRecord r{QDateTime::currentDateTime(), Ann, "Re", "x", "Failed", "f00d", {{"name", "Name", "Z\u00f6e"}, {"name", {}, ""}}};
        QCOMPARE(ResponseDatabase(path).AppendRecord(r), Result::Recorded);
        QCOMPARE(OtherHolder(path).exec("PRAGMA user_version").toInt(), ResponseDatabase::SchemaVersion);
        QCOMPARE(rows(), QStringList({"bo@x.org|||Hi", "ann@example.com|Failed|f00d|x|name/Name=Z\u00f6e|name/="}));
        QVERIFY(ResponseDatabase(path).holdsFingerprint("f00d") && !ResponseDatabase(path).holdsFingerprint("f00"));
    }

    void qtJobSplitsLinesAndPrintsNothingWhenEmpty()
    {
        QCOMPARE(PrintJob::lines("a\nb\rc\r\n"), (QStringList{"a", "b", "c", ""}));
        QVERIFY(QtPrintJob::toPdfFile(app->path("empty.pdf"))->end());
        QVERIFY(!QFile::exists(app->path("empty.pdf")));
    }
};

QTEST_MAIN(TestReplySender)
#include "test_replysender.moc"
