// Processing runs over a folder and over a Maildir inbox: the framing, one account line per
// item, the summary counts, the read state left behind, and how errors, failures and a halt
// end a run.
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestSupport.h"
#include "platform/MailInboxError.h"
#include "platform/MaildirInbox.h"
#include "processing/RunProgress.h"

#include <QDir>
#include <QtTest>

using namespace MailSamples;
using RunLog::summary;

namespace {

struct RecordingProgress : RunProgress
{
    void setMaximum(int maximum) override { maxima << maximum; }
    void setValue(int value) override { values << value; }
    QList<int> maxima, values;
};

// A Maildir whose server goes away at the step it is told to; it counts its sign-offs.
class FailingMaildir : public MaildirInbox
{
public:
    FailingMaildir(const QString& folder, QString failAt, int& closed)
        : MaildirInbox(folder), m_failAt(std::move(failAt)), m_closed(&closed)
    {
    }

protected:
    void listMessages(bool unreadOnly) override
    {
        check(QStringLiteral("fetch"));
        MaildirInbox::listMessages(unreadOnly);
    }
    QByteArray readMessage(int index) override
    {
        check(QStringLiteral("read %1").arg(index));
        return MaildirInbox::readMessage(index);
    }
    bool closeMailbox() override
    {
        ++*m_closed;
        check(QStringLiteral("signOff"));
        return MaildirInbox::closeMailbox();
    }

private:
    void check(const QString& step) const
    {
        if (step == m_failAt)
            throw MailInboxError(QStringLiteral("Connection to imap.example.org was lost"));
    }
    QString m_failAt;
    int* m_closed;
};

} // namespace

class ProcessingRunTest : public QObject
{
    Q_OBJECT

private slots:
    void folderRunIsFramedAndSummedUp()
    {
        TestApp app;
        app.prepareRuns();
        app.settings().setText(SystemSettings::Max_Length, QStringLiteral("100"));
        app.addForm(QStringLiteral("a.dat"));
        app.addForm(QStringLiteral("b.dat"), QByteArray(150, 'x'));
        RecordingProgress progress;
        QVERIFY(app.process(FormSource::Folder, &progress));

        QCOMPARE(app.log(),
                 QStringList{QString()} + RunLog::opening() +
                     QStringList({"a.dat processed [OK]", "b.dat (150 bytes) exceeds user defined limit",
                                  "b.dat [IGNORED]"}) +
                     RunLog::completion(summary("2 files were processed", "1 file was ok",
                                                "1 file were ignored", "0 errors were found")));
        QVERIFY(app.dialogs.shown().isEmpty());
        QCOMPARE(app.state->status().text(), QStringLiteral("Form Processing Complete"));
        QCOMPARE(app.rows().size(), 1);
        QCOMPARE(app.rows()[0].message, QStringLiteral("Dear Ann,\r\nthanks."));
        QCOMPARE(progress.maxima, QList<int>{1});
        QCOMPARE(progress.values, (QList<int>{0, 1}));

        // A second run follows in the same log without a gap of its own.
        const int before = int(app.log().size());
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.log().mid(before - 1, 4), QStringList{QString()} + RunLog::opening());
    }

    void folderSummaryCounts_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty folder") << QList<QByteArray>{}
                                      << summary("0 files were processed", "0 files were ok",
                                                 "0 files were ignored", "0 errors were found");
        QTest::newRow("two errors, two ignored, one ok")
            << QList<QByteArray>{"a=%4", "", "name=Ann", "b=%", QByteArray(20001, 'z')}
            << summary("5 files were processed", "1 file was ok", "2 files were ignored",
                       "2 errors were found");
    }
    void folderSummaryCounts()
    {
        QFETCH(QList<QByteArray>, files);
        TestApp app;
        app.prepareRuns();
        for (int i = 0; i < files.size(); ++i)
            app.addForm(QStringLiteral("f%1.dat").arg(i), files[i]);
        QVERIFY(app.process(FormSource::Folder));
        QTEST(app.summary(), "expected");
        // A parse error in a folder run has the decoder's line as its only account: no box.
        QVERIFY(app.dialogs.shown().isEmpty());
        QCOMPARE(int(app.state->eventLog().text().count(QStringLiteral("[ERROR]"))), app.counts.errors);
    }

    void filterMatchesAndSortsWithoutRegardToCase()
    {
        TestApp app;
        app.prepareRuns();
        for (const char* name : {"B.DAT", "a.att", "c.Att", "notes.txt", "dat", "x.dat.bak"})
            app.addForm(QLatin1String(name));
        QDir(app.forms()).mkdir(QStringLiteral("folder.dat"));
        QVERIFY(app.process(FormSource::Folder));
        QCOMPARE(app.items(),
                 QStringList({"a.att processed [OK]", "B.DAT processed [OK]", "c.Att processed [OK]"}));
    }

    // The real SMTP server gets the one reply sent before Cancel was pressed.
    void cancelBeforeTheSecondOfThreeFiles()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        TestApp app;
        app.prepareRuns();
        app.sendRepliesThrough(sink.address());
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            app.addForm(QLatin1String(name));
        app.dialogs.onInputBox = [&] { app.state->cancelRequested = true; };
        app.dialogs.answerText(QStringLiteral("ann@example.com"));
        RecordingProgress progress;
        QVERIFY(app.process(FormSource::Folder, &progress));

        QCOMPARE(app.dialogs.messages(), QStringList());
        QCOMPARE(app.items(), QStringList({"a.dat processed [OK]", "   SMTP Send to ann@example.com [OK]",
                                           "", "File processing was halted by user", ""}));
        QCOMPARE(app.summary(), summary("3 files were processed", "3 files were ok",
                                        "0 files were ignored", "0 errors were found"));
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages()[0].contains("X-RcptTo: ann@example.com"));
        QVERIFY(sink.messages()[0].contains("Dear Ann,\nthanks."));
        QCOMPARE(app.rows().size(), 1);
        QCOMPARE(app.rows()[0].sourceAddress, QStringLiteral("ann@example.com"));
        QVERIFY(!app.state->cancelRequested);
        QCOMPARE(progress.values, QList<int>{0});
    }

    void inboxRunOverEveryKindOfMessage()
    {
        TestApp app;
        app.prepareRuns();
        TestMaildir& mail = app.mail();
        const QString ann = app.deliver(QStringLiteral("Ann Lee <ann@example.com>"));
        const QString bo = mail.deliverNew(formSubmissionNameOnly("Bo Ek <bo@example.se>", "name=Bo"), 101);
        const QStringList others{
            mail.deliverNew(twoAttachments(QStringLiteral("Cy <cy@example.net>")), 102),
            mail.deliverNew(attachedMessage(QStringLiteral("Di <di@example.net>")), 103),
            mail.deliverNew(lowerCaseMarker(QStringLiteral("Flo <flo@example.net>")), 104),
            mail.deliverNew(ordinaryMail("Gus <gus@example.net>", "Form posted from"), 105)};
        RecordingProgress progress;
        QVERIFY(app.process(FormSource::Inbox, &progress));

        QCOMPARE(app.items(),
                 QStringList({"ann@example.com processed [OK]", "bo@example.se processed [OK]",
                              "cy@example.net not a mailto form [IGNORED]",
                              "di@example.net attachment is an invalid data type [IGNORED]",
                              "flo@example.net not a mailto form [IGNORED]",
                              "gus@example.net not a mailto form [IGNORED]"}));
        QCOMPARE(app.summary(), summary("6 files were processed", "2 files were ok",
                                        "4 files were ignored", "0 errors were found"));
        QVERIFY(app.dialogs.shown().isEmpty());
        QCOMPARE(progress.maxima, QList<int>{6});
        QCOMPARE(progress.values, (QList<int>{1, 2, 3, 4, 5, 6}));
        // Only the messages handed to the decoder became read.
        QVERIFY(mail.isRead(ann) && mail.isRead(bo));
        for (const QString& other : others)
            QCOMPARE(mail.stateOf(other), QStringLiteral("new"));
        QCOMPARE(app.rows().size(), 2);
        QCOMPARE(app.rows()[1].sourceAddress, QStringLiteral("bo@example.se"));
        QCOMPARE(app.rows()[1].message, QStringLiteral("Dear Bo,\r\nthanks."));
    }

    void unreadOnlyFetchingFollowsTheSettings()
    {
        TestApp app;
        app.prepareRuns();
        TestMaildir& mail = app.mail();
        const QString fresh = app.deliver(QStringLiteral("A <a@x.org>"));
        mail.deliverCur(formSubmission(QStringLiteral("B <b@x.org>")), 101, QStringLiteral("S"));
        const QString flagged = mail.deliverCur(formSubmission(QStringLiteral("C <c@x.org>")), 102, "F");
        SystemSettings& s = app.settings();
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"a@x.org processed [OK]", "c@x.org processed [OK]"}));
        QCOMPARE(mail.stateOf(fresh), QStringLiteral("S"));
        QCOMPARE(mail.stateOf(flagged), QStringLiteral("FS"));

        // Read mail is fetched again when the setting is off and nothing runs unattended.
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        s.setText(SystemSettings::Auto_Timer, QStringLiteral("soon"));
        s.setFlag(SystemSettings::Auto_Open_Template, 1);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.counts.processed, 3);
        QCOMPARE(s.flag(SystemSettings::Ignore_Read_MAPI_Messages), 0);

        // Unattended operation always fetches unread mail only, and says so in the settings.
        s.setText(SystemSettings::Auto_Timer, QStringLiteral("5"));
        app.deliver(QStringLiteral("D <d@x.org>"));
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList{"d@x.org processed [OK]"});
        QCOMPARE(s.flag(SystemSettings::Ignore_Read_MAPI_Messages), 1);
    }

    void failedSignOnReportsBv2001WithNothingCounted()
    {
        TestApp app;
        app.prepareRuns();
        const QString missing = app.path(QStringLiteral("NoMail"));
        app.state->inboxFactory = [missing] { return std::make_unique<MaildirInbox>(missing); };
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.dialogs.messages(),
                 QStringList{warning(ErrorCode::MapiLogon + "Mail folder " + missing + " not found")});
        QCOMPARE(app.log(), QStringList{QString()} + RunLog::opening() +
                                RunLog::completion(summary("0 files were processed", "0 files were ok",
                                                           "0 files were ignored", "0 errors were found")));
        // Without any inbox at all the run says so the same way.
        app.state->inboxFactory = nullptr;
        QVERIFY(app.process(FormSource::Inbox));
        QVERIFY(app.dialogs.messages().value(1).contains(ErrorCode::MapiLogon));
    }

    void parseErrorInTheInboxIsReportedThenLogged()
    {
        TestApp app;
        app.prepareRuns();
        const QString bad = app.deliver(QStringLiteral("Ann <ann@example.com>"), "name=Ann%4");
        app.deliver(QStringLiteral("Bo <bo@example.se>"), "name=Bo");
        QString lastLineAtBox;
        app.dialogs.onMessageBox = [&](const QString&) { lastLineAtBox = app.log().constLast(); };
        QVERIFY(app.process(FormSource::Inbox));

        QCOMPARE(app.dialogs.messages(), QStringList{warning(ErrorCode::ParseError)});
        const QStringList items = app.items();
        QCOMPARE(items.size(), 3);
        // The decoder names the saved attachment, under a name the inbox made up.
        QVERIFY(items[0].endsWith(QStringLiteral(" parsing error, file ignored [ERROR]")));
        QVERIFY(!items[0].contains(QStringLiteral("POSTDATA")));
        QCOMPARE(lastLineAtBox, items[0]);
        QCOMPARE(items.mid(1), QStringList({"ann@example.com processing error [ERROR]",
                                            "bo@example.se processed [OK]"}));
        QCOMPARE(app.counts.errors, 1);
        // Marked read all the same, so it does not come back at every run.
        QVERIFY(app.mail().isRead(bad));
    }

    void mailboxFailureEndsTheRunWithAnErrorLine_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");
        const QString lost = "Processing error: Connection to imap.example.org was lost [ERROR]";
        const QString ok = QStringLiteral("a@x.org processed [OK]");
        QTest::newRow("fetch") << "fetch" << QStringList{lost}
                               << summary("0 files were processed", "0 files were ok",
                                          "0 files were ignored", "1 error were found");
        QTest::newRow("second message") << "read 1" << QStringList{ok, lost}
                                        << summary("2 files were processed", "1 file was ok",
                                                   "0 files were ignored", "1 error were found");
        QTest::newRow("sign-off") << "signOff" << QStringList{ok, "b@x.org processed [OK]"}
                                  << summary("2 files were processed", "2 files were ok",
                                             "0 files were ignored", "0 errors were found");
    }
    void mailboxFailureEndsTheRunWithAnErrorLine()
    {
        QFETCH(QString, failAt);
        TestApp app;
        app.prepareRuns();
        app.deliver(QStringLiteral("A <a@x.org>"));
        app.deliver(QStringLiteral("B <b@x.org>"));
        int closed = 0;
        const QString maildir = app.mail().folder();
        app.state->inboxFactory = [&] { return std::make_unique<FailingMaildir>(maildir, failAt, closed); };
        QVERIFY(app.process(FormSource::Inbox));
        QTEST(app.items(), "items");
        QTEST(app.summary(), "expected");
        QVERIFY(app.dialogs.shown().isEmpty());
        // Signed on, so signed off, however the run ended.
        QCOMPARE(closed, 1);
        QVERIFY(!app.state->runInProgress && !app.state->cancelRequested);
    }
};

QTEST_GUILESS_MAIN(ProcessingRunTest)
#include "test_processing_run.moc"
