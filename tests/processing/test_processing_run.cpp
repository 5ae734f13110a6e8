// Processing runs over a folder and over a Maildir inbox: the framing, one account line per
// item, the summary counts, the read state left behind, and how errors, failures and a halt
// end a run.
#include "TestSupport.h"
#include "platform/mail/MailInboxError.h"
#include "platform/mail/MaildirInbox.h"

using namespace MailSamples;

namespace {

// A Maildir whose server goes away at the step it is told to; it counts its sign-offs.
struct FailingMaildir : MaildirInbox
{
    FailingMaildir(const QString& folder, int failAt, int& closed)
        : MaildirInbox(folder), failAt(failAt), closed(closed)
    {
    }
    QByteArray readMessage(int index) override
    {
        check(index);
        return MaildirInbox::readMessage(index);
    }
    bool closeMailbox() override
    {
        ++closed;
        check(-1);
        return MaildirInbox::closeMailbox();
    }
    void check(int step) const
    {
        if (step == failAt)
            throw MailInboxError("Connection to imap.example.org was lost");
    }
    int failAt;
    int& closed;
};

} // namespace

class ProcessingRunTest : public QObject
{
    Q_OBJECT

private slots:
    // Files that match the filter, in name order without regard to case; each counted once.
    // Which names match is the listing's own test.
    void folderRunIsFramedAndSummedUp()
    {
        TestApp app(TestApp::ReadyForRuns);
        app.settings().setText(SystemSettings::Max_Length, "100");
        app.addForm("0.dat");
        app.addForm("B.DAT", QByteArray(150, 'x'));
        app.addForm("a.att", "a=%4");
        app.addForm("d.dat", "");
        app.addForm("notes.txt");
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.log(),
                 QStringList{QString()} + RunLog::opening() +
                     QStringList({"0.dat processed [OK]", "a.att parsing error, file ignored [ERROR]",
                                  "B.DAT (150 bytes) exceeds user defined limit", "B.DAT [IGNORED]",
                                  "d.dat (0 bytes) [IGNORED]"}) +
                     RunLog::completion(QStringList({"4 files were processed", "1 file was ok",
                                                     "2 files were ignored", "1 error were found"})));
        // A parse error in a folder run has the decoder's line as its only account: no box.
        QVERIFY(app.dialogs.shown().isEmpty());
        // A second run follows in the same log without a gap of its own.
        const int before = int(app.log().size());
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.log().mid(before - 1, 4), QStringList{QString()} + RunLog::opening());
    }

    // Only the messages handed to the decoder become read. Mail a program sent is decoded and
    // recorded but never answered; a sender without a domain is asked about, never completed
    // with this machine's name.
    void inboxRunOverEveryKindOfMessage()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        TestApp app(TestApp::ReadyForRuns);
        app.sendRepliesThrough(sink.address());
        TestMaildir& mail = app.mail();
        const QString bo = mail.deliverNew(formSubmissionNameOnly("Bo Ek <bo@example.se>", "name=Bo"), 101);
        const QStringList others{mail.deliverNew(twoAttachments("Cy <cy@example.net>"), 102),
                                 mail.deliverNew(attachedMessage("Di <di@example.net>"), 103),
                                 mail.deliverNew(lowerCaseMarker("Flo <flo@example.net>"), 104),
                                 mail.deliverNew(ordinaryMail("Gus <gus@example.net>", "Form posted from"), 105)};
        mail.deliverNew("Auto-Submitted: auto-replied\r\n" + formSubmission("Ann <ann@example.com>"), 106);
        mail.deliverNew(formSubmission("Eve <eve>"), 107);
        app.dialogs.answerText("eve@example.org");
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"bo@example.se processed [OK]", "   SMTP Send to bo@example.se [OK]",
                                           "cy@example.net not a mailto form [IGNORED]",
                                           "di@example.net attachment is an invalid data type [IGNORED]",
                                           "flo@example.net not a mailto form [IGNORED]",
                                           "gus@example.net not a mailto form [IGNORED]", "ann@example.com processed [OK]",
                                           "   No reply to ann@example.com (automatic message)",
                                           "eve processed [OK]", "   SMTP Send to eve@example.org [OK]"}));
        QCOMPARE(app.dialogs.shown().size(), 1); // the address prompt, for eve only
        QVERIFY(mail.isRead(bo));
        for (const QString& other : others)
            QCOMPARE(mail.stateOf(other), QStringLiteral("new"));
    }

    // With Answer_Once on, what was recorded before is not answered again, whether it was
    // recorded with the setting on or off; the same form from another sender is another one.
    void answerOnceOverFoldersAndDeliveries()
    {
        TestApp app(TestApp::ReadyForRuns);
        app.addForm("a.dat");
        app.addForm("b.dat", "name=Bo");
        QVERIFY(app.process(FormSource::Folder));
        app.settings().setFlag(SystemSettings::Answer_Once, 1);
        app.addForm("c.dat", "name=Zo%C3%AB&tag=a&tag=");
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.items(), QStringList({"a.dat was answered before [IGNORED]", "b.dat was answered before [IGNORED]",
                                           "c.dat processed [OK]"}));

        const QString first = app.deliver("Ann Lee <ann@example.com>");
        QVERIFY(app.process(FormSource::Inbox));
        const QString again = app.deliver("Ann Lee <ann@example.com>");
        app.deliver("Bo Ek <bo@example.se>");
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"ann@example.com was answered before [IGNORED]", "bo@example.se processed [OK]"}));
        QVERIFY(app.mail().isRead(first) && app.mail().isRead(again));
        // A database that cannot be read is no reason to skip anyone.
        QFile::remove(app.path(ResponseDatabase::FileName));
        app.addForm("c.dat", "name=Cy");
        QVERIFY(app.process(FormSource::Folder));
        QVERIFY(app.items().contains("c.dat processed [OK]"));
    }

    // A folder file's reply goes to the address its form names, only when that is one address;
    // a failed send is counted in a fifth line of the summary.
    void replyAddressFieldAndUnsentReplies()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        TestApp app(TestApp::ReadyForRuns);
        app.sendRepliesThrough(sink.address());
        app.settings().setText(SystemSettings::Reply_Address_Field, "EMail");
        app.addForm("1.dat", "name=Ann&email=%20ann@example.com%20");
        app.addForm("2.dat", "name=Bo");
        app.addForm("3.dat", "name=Cy&email=cy");
        app.addForm("4.dat", "name=Di&email=di@example.net,eve@example.org");
        for (const char* given : {"bo@example.se", "cy@example.net", ""})
            app.dialogs.answerText(QString::fromLatin1(given));
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.dialogs.shown().size(), 3);
        QCOMPARE(app.rows()[0].sourceAddress + ' ' + app.rows()[0].status, QStringLiteral("ann@example.com Sent"));

        app.sendRepliesThrough("127.0.0.1:1"); // nothing listens there
        app.settings().setText(SystemSettings::Reply_Address_Field, "");
        app.dialogs.answerText("x@example.org");
        QDir(app.forms()).removeRecursively();
        app.addForm("6.dat");
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.dialogs.messages().constLast(), warning(ErrorCode::SmtpConnection));
        QCOMPARE(app.log().mid(app.log().size() - 6, 2), QStringList({"0 errors were found", "1 reply could not be sent"}));
        QCOMPARE(app.rows().last().status, QStringLiteral("Failed"));
    }

    // Unattended operation always fetches unread mail only, and says so in the settings; a
    // timer that is off is no unattended operation. Which mail is unread is the inbox tests'.
    void unreadOnlyFetchingFollowsTheSettings()
    {
        TestApp app(TestApp::ReadyForRuns);
        app.mail().deliverCur(formSubmission("B <b@x.org>"), 101, "S");
        SystemSettings& s = app.settings();
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        s.setFlag(SystemSettings::Auto_Open_Template, 1);
        for (const char* timer : {"soon", "5"}) {
            s.setText(SystemSettings::Auto_Timer, QLatin1String(timer));
            QVERIFY(app.process(FormSource::Inbox));
            QCOMPARE(app.counts.processed, *timer == 's' ? 1 : 0);
        }
        QCOMPARE(s.flag(SystemSettings::Ignore_Read_MAPI_Messages), 1);
    }

    void parseErrorInTheInboxIsReportedThenLogged()
    {
        TestApp app(TestApp::ReadyForRuns);
        app.deliver("Ann <ann@example.com>", "name=Ann%4");
        app.deliver("Bo <bo@example.se>", "name=Bo");
        QString lastLineAtBox;
        app.dialogs.onMessageBox = [&](const QString&) { lastLineAtBox = app.log().constLast(); };
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.dialogs.messages(), QStringList{warning(ErrorCode::ParseError)});
        const QStringList items = app.items();
        // The decoder names the saved attachment, under a name the inbox made up.
        QVERIFY(items.value(0).endsWith(" parsing error, file ignored [ERROR]") && !items[0].contains("POSTDATA"));
        QCOMPARE(lastLineAtBox, items[0]);
        QCOMPARE(items.mid(1), QStringList({"ann@example.com processing error [ERROR]", "bo@example.se processed [OK]"}));
    }

    // However a mailbox failure ends the run, it was signed on, so it is signed off.
    void mailboxFailureEndsTheRunWithAnErrorLine()
    {
        const QString lost = "Processing error: Connection to imap.example.org was lost [ERROR]";
        for (int failAt : {1, -1}) {
            TestApp app(TestApp::ReadyForRuns);
            app.deliver("A <a@x.org>");
            app.deliver("B <b@x.org>");
            app.deliver("C <c@x.org>");
            int closed = 0;
            const QString maildir = app.mail().folder();
            app.state->inboxFactory = [&] { return std::make_unique<FailingMaildir>(maildir, failAt, closed); };
            QVERIFY(app.process(FormSource::Inbox));
            // At sign-off the items are done: the failure there is no error of the run.
            QCOMPARE(app.items(), failAt < 0 ? QStringList({"a@x.org processed [OK]", "b@x.org processed [OK]", "c@x.org processed [OK]"})
                                             : QStringList({"a@x.org processed [OK]", lost}));
            // The summary counts what happened: the item in hand is the error, the one never
            // reached is not counted.
            if (failAt > 0)
                QCOMPARE(app.summary(), QStringList({"2 files were processed", "1 file was ok", "0 files were ignored",
                                                "1 error were found"}));
            QVERIFY(app.dialogs.shown().isEmpty());
            QCOMPARE(closed, 1);
        }
    }
};

QTEST_GUILESS_MAIN(ProcessingRunTest)
#include "test_processing_run.moc"
