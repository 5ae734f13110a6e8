// Inbox runs cut off in the middle of an item: a message becomes read only once its reply has
// been sent, printed and recorded, so a run killed before that leaves it for the next run.
#include "TestSupport.h"
#include "platform/mail/MaildirInbox.h"

#include <cstring>

using namespace MailSamples;

namespace {

// Run as a child of the test: answers the Maildir's mail through the given SMTP server.
const char* const AnswerInbox = "--answer-inbox";

int answerInbox(const QString& maildir, const QString& server)
{
    TestApp app(TestApp::ReadyForRuns);
    app.state->inboxFactory = [maildir] { return std::make_unique<MaildirInbox>(maildir); };
    app.sendRepliesThrough(server);
    return app.process(FormSource::Inbox) ? 0 : 1;
}

} // namespace

class InterruptedRunTest : public QObject
{
    Q_OBJECT

private slots:
    // The server has the reply's data but never answers its end; the program is killed while
    // it waits. The message is still unread, and the next run, with a server that answers,
    // sends, records and marks it.
    void killedWhileTheServerHoldsTheReply()
    {
        SmtpSinkOptions hanging;
        hanging.stallAtEndOfData = true;
        SmtpSink stalled(hanging);
        QVERIFY2(stalled.isRunning(), qPrintable(stalled.errorText()));
        TestApp app(TestApp::ReadyForRuns);
        const QString ann = app.deliver("Ann <ann@example.com>", "name=Ann");

        // The child's temporary folders live in this test's folder, so its kill leaves none behind.
        QDir().mkpath(app.path("child"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", app.path("child"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {AnswerInbox, app.mail().folder(), stalled.address()});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(stalled.heldData().contains("Dear Ann,") || child.state() != QProcess::Running, 120000);
        QCOMPARE(child.state(), QProcess::Running); // still waiting for the end of data
        child.kill();
        QVERIFY(child.waitForFinished());
        QCOMPARE(app.mail().stateOf(ann), QStringLiteral("new"));

        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        app.sendRepliesThrough(sink.address());
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"ann@example.com processed [OK]", "   SMTP Send to ann@example.com [OK]"}));
        QVERIFY(app.rows().size() == 1 && sink.messages().size() == 1);
        QVERIFY(app.mail().isRead(ann));
    }

    // While a box of an item is open the program may be closed or killed: a message waiting for
    // its reply's address is still unread, and so is one whose parse error is being shown, as
    // its account line comes after the box. Each is read once the run is past it.
    void unreadWhileABoxOfItsItemIsOpen()
    {
        TestApp app(TestApp::ReadyForRuns);
        app.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        const QString eve = app.mail().deliverNew(formSubmission("Eve <eve>", "name=Eve"), 100);
        const QString bad = app.mail().deliverNew(formSubmission("Bo <bo@example.se>", "name=Bo%4"), 101);
        QStringList states;
        app.dialogs.onInputBox = [&] { states << app.mail().stateOf(eve) << app.mail().stateOf(bad); };
        app.dialogs.onMessageBox = [&](const QString&) { states << app.mail().stateOf(eve) << app.mail().stateOf(bad); };
        // The prompt is cancelled: the reply is recorded but not sent.
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(states, QStringList({"new", "new", "S", "new"}));
        QCOMPARE(app.rows().size(), 1);
        QVERIFY(app.mail().isRead(eve) && app.mail().isRead(bad));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], AnswerInbox) == 0)
        return answerInbox(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    InterruptedRunTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_interrupted_run.moc"
