// Processing runs over a folder and over a Maildir inbox: the framing, one account line per
// item, the summary counts, the read state left behind, and how errors, failures and a halt
// end a run.
#include "HookedDialogs.h"
#include "MailSamples.h"
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/mail/MailInboxError.h"
#include "platform/mail/MaildirInbox.h"
#include "processing/ProcessingRun.h"
#include "processing/RunProgress.h"
#include "reply/ResponseDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailSamples;
using RunLog::completion;
using RunLog::opening;
using RunLog::summary;

namespace {

const QByteArray AnnForm = "name=Ann&email=ann@example.com";

struct RecordingProgress : RunProgress
{
    void setMaximum(int maximum) override { maxima << maximum; }
    void setValue(int value) override { values << value; }
    QList<int> maxima;
    QList<int> values;
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

// One program with a folder of submissions, a Maildir, an empty response database and a reply
// design; replies are suppressed unless a test turns them on.
struct Rig
{
    HookedDialogs dialogs;
    TestApp app;
    QTemporaryDir scratch;
    QString forms = scratch.filePath(QStringLiteral("forms"));
    TestMaildir mail{scratch.filePath(QStringLiteral("Maildir"))};
    RecordingProgress progress;
    ProcessingRun::Counts counts;

    Rig()
    {
        app.state =
            std::make_unique<AppState>(app.folder(), dialogs, [] { throw ProgramTerminated{}; });
        ResponseDatabase::createEmptyDatabase(app.path(ResponseDatabase::FileName));
        QDir().mkpath(forms);
        settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        settings().setText(SystemSettings::Max_Length, QStringLiteral("100"));
        settings().setLocalFolder(forms);
        settings().setFileFilter(QStringLiteral("*.att;*.dat"));
        state().variables().appendDefinition({QStringLiteral("name"), QStringLiteral("")});
        state().variables().appendDefinition({QStringLiteral("email"), QStringLiteral("")});
        state().replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,\r\nthanks."));
        const QString maildir = mail.folder();
        state().inboxFactory = [maildir] { return std::make_unique<MaildirInbox>(maildir); };
    }

    AppState& state() { return *app.state; }
    SystemSettings& settings() { return state().settings(); }
    void addForms(const QStringList& names, const QByteArray& bytes = AnnForm) const
    {
        for (const QString& name : names)
            writeBytes(QDir(forms).filePath(name), bytes);
    }
    QString deliver(const char* sender, const QByteArray& data = formData())
    {
        return mail.deliverNew(formSubmission(QLatin1String(sender), data), 100);
    }

    bool process(FormSource source)
    {
        ProcessingRun& run = state().run();
        const bool ran = run.ProcessForms(source, &progress);
        counts = run.lastCounts();
        return ran;
    }
    QStringList log() { return RunLog::lines(state().eventLog().text()); }
    // The lines between the opening and the summary of the last run.
    QStringList items()
    {
        const QStringList all = log();
        const int first = int(all.lastIndexOf(RunLog::Opening)) + int(opening().size());
        return all.mid(first, all.size() - first - int(completion({"", "", "", ""}).size()));
    }
    QStringList summaryLines() { return log().mid(log().size() - 8, 4); }
    QList<ResponseRecord> rows() const
    {
        return ResponseDatabase::readRecords(app.path(ResponseDatabase::FileName));
    }
    void sendRepliesThrough(const QString& server)
    {
        settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        settings().setText(SystemSettings::SMTP_Server_Address, server);
        settings().setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
    }
};

} // namespace

class ProcessingRunTest : public QObject
{
    Q_OBJECT

private slots:
    void folderRunIsFramedAndSummedUp()
    {
        Rig rig;
        rig.addForms({QStringLiteral("a.dat")});
        rig.addForms({QStringLiteral("b.dat")}, QByteArray(150, 'x'));
        QVERIFY(rig.process(FormSource::Folder));

        QCOMPARE(rig.log(),
                 QStringList{QString()} + opening() +
                     QStringList({QStringLiteral("a.dat processed [OK]"),
                                  QStringLiteral("b.dat (150 bytes) exceeds user defined limit"),
                                  QStringLiteral("b.dat [IGNORED]")}) +
                     completion(summary("2 files were processed", "1 file was ok",
                                        "1 file were ignored", "0 errors were found")));
        QVERIFY(rig.dialogs.shown().isEmpty());
        QCOMPARE(rig.state().status().text(), QStringLiteral("Form Processing Complete"));
        QCOMPARE(rig.rows().size(), 1);
        QCOMPARE(rig.rows()[0].message, QStringLiteral("Dear Ann,\r\nthanks."));
        QCOMPARE(rig.progress.maxima, QList<int>{1});
        QCOMPARE(rig.progress.values, (QList<int>{0, 1}));

        // A second run follows in the same log without a gap of its own.
        const int before = int(rig.log().size());
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.log().mid(before - 1, 4), QStringList{QString()} + opening());
        QCOMPARE(rig.log().size(), 2 * before - 1);
    }

    void folderSummaryCounts_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("too large and a trailing %")
            << QList<QByteArray>{QByteArray(101, 'a'), "name=Ann%"}
            << summary("2 files were processed", "0 files were ok", "1 file were ignored",
                       "1 error were found");
        QTest::newRow("empty folder") << QList<QByteArray>{}
                                      << summary("0 files were processed", "0 files were ok",
                                                 "0 files were ignored", "0 errors were found");
        QTest::newRow("two errors, two ignored, one ok")
            << QList<QByteArray>{"a=%4", "", AnnForm, "b=%", QByteArray(500, 'z')}
            << summary("5 files were processed", "1 file was ok", "2 files were ignored",
                       "2 errors were found");
    }

    void folderSummaryCounts()
    {
        QFETCH(QList<QByteArray>, files);
        QFETCH(QStringList, expected);
        Rig rig;
        for (int i = 0; i < files.size(); ++i)
            rig.addForms({QStringLiteral("f%1.dat").arg(i)}, files[i]);
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.summaryLines(), expected);
        // A parse error in a folder run has the decoder's line as its only account: no box.
        QVERIFY(rig.dialogs.shown().isEmpty());
        QVERIFY(rig.state().eventLog().text().count(QStringLiteral("[ERROR]")) ==
                rig.counts.errors);
    }

    void filterMatchesAndSortsWithoutRegardToCase()
    {
        Rig rig;
        rig.addForms(
            {"b.DAT", "FORM.DAT", "a.att", "Apple.dat", "c.Att", "notes.txt", "dat", "x.dat.bak"});
        QDir(rig.forms).mkdir(QStringLiteral("folder.dat"));
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.items(), QStringList({QStringLiteral("a.att processed [OK]"),
                                           QStringLiteral("Apple.dat processed [OK]"),
                                           QStringLiteral("b.DAT processed [OK]"),
                                           QStringLiteral("c.Att processed [OK]"),
                                           QStringLiteral("FORM.DAT processed [OK]")}));
        rig.settings().setFileFilter(QStringLiteral("*.TXT"));
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.items(), QStringList{QStringLiteral("notes.txt processed [OK]")});
    }

    void filesThatVanishDuringTheRunAreErrors()
    {
        Rig rig;
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        rig.settings().setText(SystemSettings::SMTP_From_Address, QStringLiteral("f@example.com"));
        rig.addForms({QStringLiteral("a.dat"), QStringLiteral("b.dat"), QStringLiteral("c.dat")});
        // The user empties the folder while the first reply waits for an address.
        bool emptied = false;
        rig.dialogs.onInputBox = [&] {
            if (!std::exchange(emptied, true) && QDir(rig.forms).removeRecursively())
                rig.addForms({QStringLiteral("d.dat")});
        };
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.items(), QStringList({QStringLiteral("a.dat processed [OK]"),
                                           QStringLiteral("b.dat could not be read [ERROR]"),
                                           QStringLiteral("c.dat could not be read [ERROR]")}));
        QCOMPARE(rig.summaryLines(), summary("3 files were processed", "1 file was ok",
                                             "0 files were ignored", "2 errors were found"));
    }

    void cancelBeforeTheSecondOfThreeFiles()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.sendRepliesThrough(sink.address());
        rig.addForms({QStringLiteral("a.dat"), QStringLiteral("b.dat"), QStringLiteral("c.dat")});
        // Cancel is pressed while the first reply waits for its address.
        rig.dialogs.onInputBox = [&] { rig.state().flags.cancelRequested = true; };
        rig.dialogs.answerText(QStringLiteral("ann@example.com"));
        QVERIFY(rig.process(FormSource::Folder));

        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.shown()[0].text, QStringLiteral("Email Reply To:"));
        QCOMPARE(
            rig.log(),
            QStringList{QString()} + opening() +
                QStringList({QStringLiteral("a.dat processed [OK]"),
                             QStringLiteral("   SMTP Send to ann@example.com [OK]"), QString(),
                             QStringLiteral("File processing was halted by user"), QString()}) +
                completion(summary("3 files were processed", "3 files were ok",
                                   "0 files were ignored", "0 errors were found")));
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages()[0].contains("X-RcptTo: ann@example.com"));
        QVERIFY(sink.messages()[0].contains("Dear Ann,\nthanks."));
        QCOMPARE(rig.rows().size(), 1);
        QCOMPARE(rig.rows()[0].sourceAddress, QStringLiteral("ann@example.com"));
        QVERIFY(!rig.state().flags.cancelRequested);
        QCOMPARE(rig.progress.values, QList<int>{0});
    }

    void inboxRunOverEveryKindOfMessage()
    {
        Rig rig;
        TestMaildir& mail = rig.mail;
        const QString ann = rig.deliver("Ann Lee <ann@example.com>");
        const QString bo = mail.deliverNew(
            formSubmissionNameOnly(QStringLiteral("Bo Ek <bo@example.se>"), "name=Bo"), 101);
        const QStringList others{
            mail.deliverNew(twoAttachments(QStringLiteral("Cy <cy@example.net>")), 102),
            mail.deliverNew(attachedMessage(QStringLiteral("Di <di@example.net>")), 103),
            mail.deliverNew(lowerCaseMarker(QStringLiteral("Flo <flo@example.net>")), 104),
            mail.deliverNew(ordinaryMail(QStringLiteral("Gus <gus@example.net>"),
                                         QStringLiteral("Form posted from")),
                            105)};
        QVERIFY(rig.process(FormSource::Inbox));

        QCOMPARE(rig.items(),
                 QStringList(
                     {QStringLiteral("ann@example.com processed [OK]"),
                      QStringLiteral("bo@example.se processed [OK]"),
                      QStringLiteral("cy@example.net not a mailto form [IGNORED]"),
                      QStringLiteral("di@example.net attachment is an invalid data type [IGNORED]"),
                      QStringLiteral("flo@example.net not a mailto form [IGNORED]"),
                      QStringLiteral("gus@example.net not a mailto form [IGNORED]")}));
        QCOMPARE(rig.summaryLines(), summary("6 files were processed", "2 files were ok",
                                             "4 files were ignored", "0 errors were found"));
        QVERIFY(rig.dialogs.shown().isEmpty());
        QCOMPARE(rig.progress.maxima, QList<int>{6});
        QCOMPARE(rig.progress.values, (QList<int>{1, 2, 3, 4, 5, 6}));

        // Only the messages handed to the decoder became read.
        QVERIFY(mail.isRead(ann));
        QVERIFY(mail.isRead(bo));
        for (const QString& other : others)
            QCOMPARE(mail.stateOf(other), QStringLiteral("new"));
        const auto rows = rig.rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].sourceAddress, QStringLiteral("bo@example.se"));
        QCOMPARE(rows[1].message, QStringLiteral("Dear Bo,\r\nthanks."));
    }

    void unreadOnlyFetchingFollowsTheSettings()
    {
        Rig rig;
        TestMaildir& mail = rig.mail;
        const QString fresh = rig.deliver("A <a@x.org>");
        const QString seen =
            mail.deliverCur(formSubmission(QStringLiteral("B <b@x.org>")), 101, "S");
        const QString flagged =
            mail.deliverCur(formSubmission(QStringLiteral("C <c@x.org>")), 102, "F");

        rig.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(), QStringList({QStringLiteral("a@x.org processed [OK]"),
                                           QStringLiteral("c@x.org processed [OK]")}));
        QCOMPARE(mail.stateOf(fresh), QStringLiteral("S"));
        QCOMPARE(mail.stateOf(flagged), QStringLiteral("FS"));
        QCOMPARE(mail.stateOf(seen), QStringLiteral("S"));
        // The read state keeps them from coming back.
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.counts.processed, 0);

        // Read mail is fetched again when the setting is off and nothing runs unattended.
        rig.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("soon"));
        rig.settings().setFlag(SystemSettings::Auto_Open_Template, 1);
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.counts.processed, 3);
        QCOMPARE(rig.settings().flag(SystemSettings::Ignore_Read_MAPI_Messages), 0);

        // Unattended operation always fetches unread mail only, and says so in the settings.
        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("5"));
        rig.deliver("D <d@x.org>");
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(), QStringList{QStringLiteral("d@x.org processed [OK]")});
        QCOMPARE(rig.settings().flag(SystemSettings::Ignore_Read_MAPI_Messages), 1);
    }

    void failedSignOnReportsBv2001WithNothingCounted()
    {
        Rig rig;
        const QString missing = rig.scratch.filePath(QStringLiteral("NoMail"));
        rig.state().inboxFactory = [missing] { return std::make_unique<MaildirInbox>(missing); };
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.dialogs.messages(),
                 QStringList{QStringLiteral("An error has occured (Error Code BV_2001 - MAPI Logon "
                                            "Failure: Mail folder %1 not found).  Please check "
                                            "your settings and try again.")
                                 .arg(missing)});
        QCOMPARE(rig.log(), QStringList{QString()} + opening() +
                                completion(summary("0 files were processed", "0 files were ok",
                                                   "0 files were ignored", "0 errors were found")));
        // Without any inbox at all the run says so the same way.
        rig.state().inboxFactory = nullptr;
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.dialogs.messages().size(), 2);
        QVERIFY(rig.dialogs.messages()[1].contains(QStringLiteral("BV_2001 - MAPI Logon")));
    }

    void parseErrorInTheInboxIsReportedThenLogged()
    {
        Rig rig;
        const QString bad = rig.deliver("Ann <ann@example.com>", "name=Ann%4");
        rig.deliver("Bo <bo@example.se>", "name=Bo");
        QString lastLineAtBox;
        rig.dialogs.onMessageBox = [&](const QString&) {
            lastLineAtBox = rig.state().eventLog().text().section(QStringLiteral("\r\n"), -1);
        };
        QVERIFY(rig.process(FormSource::Inbox));

        QCOMPARE(rig.dialogs.messages(),
                 QStringList{QStringLiteral("An error has occured (Error Code BV_2005 - Parse "
                                            "Error).  Please check your settings and try again.")});
        const QStringList items = rig.items();
        QCOMPARE(items.size(), 3);
        // The decoder names the saved attachment, under a name the inbox made up.
        QVERIFY(items[0].endsWith(QStringLiteral(" parsing error, file ignored [ERROR]")));
        QVERIFY(!items[0].contains(QStringLiteral("POSTDATA")));
        QCOMPARE(lastLineAtBox, items[0]);
        QCOMPARE(items.mid(1),
                 QStringList({QStringLiteral("ann@example.com processing error [ERROR]"),
                              QStringLiteral("bo@example.se processed [OK]")}));
        QCOMPARE(rig.summaryLines(), summary("2 files were processed", "1 file was ok",
                                             "0 files were ignored", "1 error were found"));
        // Marked read all the same, so it does not come back at every run.
        QVERIFY(rig.mail.isRead(bad));
    }

    void mailboxFailureEndsTheRunWithAnErrorLine_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");
        const QString lost =
            QStringLiteral("Processing error: Connection to imap.example.org was lost [ERROR]");
        const QString ok = QStringLiteral("a@x.org processed [OK]");
        QTest::newRow("fetch") << QStringLiteral("fetch") << QStringList{lost}
                               << summary("0 files were processed", "0 files were ok",
                                          "0 files were ignored", "1 error were found");
        QTest::newRow("second message") << QStringLiteral("read 1") << QStringList{ok, lost}
                                        << summary("2 files were processed", "1 file was ok",
                                                   "0 files were ignored", "1 error were found");
        QTest::newRow("sign-off") << QStringLiteral("signOff")
                                  << QStringList{ok, QStringLiteral("b@x.org processed [OK]")}
                                  << summary("2 files were processed", "2 files were ok",
                                             "0 files were ignored", "0 errors were found");
    }

    void mailboxFailureEndsTheRunWithAnErrorLine()
    {
        QFETCH(QString, failAt);
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);
        Rig rig;
        rig.deliver("A <a@x.org>");
        rig.deliver("B <b@x.org>");
        int closed = 0;
        const QString maildir = rig.mail.folder();
        rig.state().inboxFactory = [&] {
            return std::make_unique<FailingMaildir>(maildir, failAt, closed);
        };
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(), items);
        QCOMPARE(rig.summaryLines(), expected);
        QVERIFY(rig.dialogs.shown().isEmpty());
        // Signed on, so signed off, however the run ended.
        QCOMPARE(closed, 1);
        QVERIFY(!rig.state().flags.runInProgress);
        QVERIFY(!rig.state().flags.cancelRequested);
    }
};

QTEST_GUILESS_MAIN(ProcessingRunTest)
#include "test_processing_run.moc"
