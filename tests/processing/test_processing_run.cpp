// Processing runs over a folder and over a Maildir inbox: the framing, one account line per
// item, the summary counts, the read state left behind, and how errors, failures and a halt
// end a run.
#include "HookedDialogs.h"
#include "MailSamples.h"
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/MailInboxError.h"
#include "platform/MaildirInbox.h"
#include "processing/ProcessingRun.h"
#include "processing/RunProgress.h"
#include "reply/ResponseDatabase.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace MailSamples;
using RunLog::completion;
using RunLog::opening;
using RunLog::summary;

namespace {

const QByteArray AnnForm = "name=Ann&email=ann@example.com";
const QByteArray BoForm = "name=Bo&email=bo@example.se";

class RecordingProgress : public RunProgress
{
public:
    void setMaximum(int maximum) override { maxima << maximum; }
    void setValue(int value) override { values << value; }
    QList<int> maxima;
    QList<int> values;
};

// An inbox that notes what the run asks of it, in order, and fails at the step it is told to.
class FakeInbox : public MailInbox
{
public:
    struct Message
    {
        QString from;
        QString body;
        int attachments = 1;
        int type = DataFile;
        QByteArray data;
    };

    FakeInbox(QStringList& calls, QString attachmentFolder)
        : m_calls(&calls), m_folder(std::move(attachmentFolder))
    {
    }

    QList<Message> messages;
    QString failAt;
    bool signOnSucceeds = true;

    bool signOn() override
    {
        note(QStringLiteral("signOn"));
        return signOnSucceeds;
    }
    QString errorDescription() const override
    {
        return QStringLiteral("Login refused by imap.example.org");
    }
    void fetch(bool unreadOnly) override
    {
        note(unreadOnly ? QStringLiteral("fetch unread") : QStringLiteral("fetch all"));
    }
    int count() const override { return int(messages.size()); }
    void select(int index) override
    {
        note(QStringLiteral("select %1").arg(index));
        m_selected = index;
    }
    QString originator() const override { return current().from; }
    QString bodyText() const override { return current().body; }
    int attachmentCount() const override { return current().attachments; }
    int attachmentType() const override { return current().type; }
    QString attachmentPath() override
    {
        note(QStringLiteral("attachmentPath"));
        const QString path = QDir(m_folder).filePath(QStringLiteral("saved%1").arg(m_selected));
        writeBytes(path, current().data);
        return path;
    }
    void markRead() override { note(QStringLiteral("markRead %1").arg(m_selected)); }
    bool signOff() override
    {
        note(QStringLiteral("signOff"));
        return true;
    }

private:
    void note(const QString& call) const
    {
        *m_calls << call;
        if (call == failAt)
            throw MailInboxError(QStringLiteral("Connection to imap.example.org was lost"));
    }
    const Message& current() const { return messages.at(m_selected); }

    QStringList* m_calls;
    QString m_folder;
    int m_selected = -1;
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
        SystemSettings& s = settings();
        s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        s.setText(SystemSettings::Max_Length, QStringLiteral("100"));
        s.setLocalFolder(forms);
        s.setFileFilter(QStringLiteral("*.att;*.dat"));
        VariableTable& v = state().variables();
        v.appendDefinition({QStringLiteral("name"), QStringLiteral("")});
        v.appendDefinition({QStringLiteral("email"), QStringLiteral("")});
        state().replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,\r\nthanks."));
        const QString maildir = mail.folder();
        state().inboxFactory = [maildir] { return std::make_unique<MaildirInbox>(maildir); };
    }

    AppState& state() { return *app.state; }
    SystemSettings& settings() { return state().settings(); }
    void addForm(const QString& name, const QByteArray& bytes) const
    {
        writeBytes(QDir(forms).filePath(name), bytes);
    }

    bool process(FormSource source)
    {
        ProcessingRun run(state());
        const bool ran = run.ProcessForms(source, &progress);
        counts = run.lastCounts();
        return ran;
    }
    QStringList log() { return RunLog::lines(state().eventLog().text()); }
    // The lines between the opening and the completion of the last run in the log.
    QStringList items()
    {
        const QStringList all = log();
        const int first = int(all.lastIndexOf(RunLog::Opening)) + int(opening().size());
        return all.mid(first, all.size() - first - int(completion(summary("", "", "", "")).size()));
    }
    QStringList summaryLines()
    {
        const QStringList all = log();
        return all.mid(all.size() - 8, 4);
    }
    QList<ResponseRecord> rows() const
    {
        return ResponseDatabase::readRecords(app.path(ResponseDatabase::FileName));
    }

    void sendRepliesThrough(const SmtpSink& sink)
    {
        settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        settings().setText(SystemSettings::SMTP_Server_Address, sink.address());
        settings().setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
    }
};

QString recipientOf(const QByteArray& message)
{
    for (const QByteArray& line : message.split('\n'))
        if (line.startsWith("X-RcptTo: "))
            return QString::fromUtf8(line.mid(10).trimmed());
    return {};
}

} // namespace

class ProcessingRunTest : public QObject
{
    Q_OBJECT

private slots:
    // ---- Folder runs ----

    void folderRunIsFramedAndSummedUp()
    {
        Rig rig;
        rig.addForm(QStringLiteral("a.dat"), AnnForm);
        rig.addForm(QStringLiteral("b.dat"), QByteArray(150, 'x'));
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
        const auto rows = rig.rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].message, QStringLiteral("Dear Ann,\r\nthanks."));

        // A second run follows in the same log without a gap of its own.
        const int before = int(rig.log().size());
        QVERIFY(rig.process(FormSource::Folder));
        const QStringList all = rig.log();
        QCOMPARE(all.mid(before - 1, 4), QStringList{QString()} + opening());
        QCOMPARE(all.size(), 2 * before - 1);
    }

    void folderSummaryCounts_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("too large and a trailing %")
            << QList<QByteArray>{QByteArray(101, 'a'), "name=Ann%"}
            << summary("2 files were processed", "0 files were ok", "1 file were ignored",
                       "1 error were found");
        QTest::newRow("one that decodes") << QList<QByteArray>{AnnForm}
                                          << summary("1 file was processed", "1 file was ok",
                                                     "0 files were ignored", "0 errors were found");
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
            rig.addForm(QStringLiteral("f%1.dat").arg(i), files[i]);
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.summaryLines(), expected);
        // A parse error in a folder run has the decoder's line as its only account.
        QVERIFY(rig.dialogs.shown().isEmpty());
        QVERIFY(rig.state().eventLog().text().count(QStringLiteral("[ERROR]")) ==
                rig.counts.errors);
    }

    void filterMatchesAndSortsWithoutRegardToCase()
    {
        Rig rig;
        for (const char* name :
             {"b.DAT", "FORM.DAT", "a.att", "Apple.dat", "c.Att", "notes.txt", "dat", "x.dat.bak"})
            rig.addForm(QLatin1String(name), AnnForm);
        QDir(rig.forms).mkdir(QStringLiteral("folder.dat"));
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.items(), QStringList({QStringLiteral("a.att processed [OK]"),
                                           QStringLiteral("Apple.dat processed [OK]"),
                                           QStringLiteral("b.DAT processed [OK]"),
                                           QStringLiteral("c.Att processed [OK]"),
                                           QStringLiteral("FORM.DAT processed [OK]")}));
        QCOMPARE(rig.counts.processed, 5);

        rig.settings().setFileFilter(QStringLiteral("*.TXT"));
        QVERIFY(rig.process(FormSource::Folder));
        QVERIFY(rig.log().contains(QStringLiteral("notes.txt processed [OK]")));
        QCOMPARE(rig.counts.processed, 1);
    }

    void gridShowsDefinitionsBetweenFilesAndAfterTheRun()
    {
        Rig rig;
        rig.addForm(QStringLiteral("1.dat"), AnnForm);
        rig.addForm(QStringLiteral("2.dat"), BoForm + "&extra=1");
        rig.addForm(QStringLiteral("3.dat"), "name=Cy");
        // What the table holds as each item comes up, and what the grid shows then.
        QStringList atItem;
        VariableTable& table = rig.state().variables();
        connect(&rig.state().status(), &StatusLine::changed, this, [&](const QString& text) {
            QStringList held;
            for (const FormVariable& v : table.variables())
                held << v.formName + QLatin1Char('=') + v.value;
            const auto* grid = table.gridModel();
            for (int row = 0; row < table.count(); ++row)
                held << QLatin1Char('|') + grid->cell(row, VariableGridModel::ValueColumn);
            atItem << text + QStringLiteral(": ") + held.join(QLatin1Char(' '));
        });
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(
            atItem,
            QStringList({QStringLiteral("Processing 1.dat (1 of 3): "),
                         QStringLiteral("Processing 2.dat (2 of 3): name= email= | |"),
                         QStringLiteral("Processing 3.dat (3 of 3): name= email= extra= | | |"),
                         QStringLiteral("Form Processing Complete: name= |")}));
        const auto rows = rig.rows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[2].message, QStringLiteral("Dear Cy,\r\nthanks."));
    }

    void progressOfBothSources()
    {
        Rig rig;
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            rig.addForm(QLatin1String(name), AnnForm);
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.progress.maxima, QList<int>{2});
        QCOMPARE(rig.progress.values, (QList<int>{0, 1, 2}));

        Rig one;
        one.addForm(QStringLiteral("a.dat"), AnnForm);
        QVERIFY(one.process(FormSource::Folder));
        QCOMPARE(one.progress.maxima, QList<int>{0});
        QCOMPARE(one.progress.values, QList<int>{0});

        Rig inbox;
        inbox.mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        inbox.mail.deliverNew(ordinaryMail(QStringLiteral("B <b@x.org>"), QStringLiteral("Hi")),
                              101);
        QVERIFY(inbox.process(FormSource::Inbox));
        QCOMPARE(inbox.progress.maxima, QList<int>{2});
        QCOMPARE(inbox.progress.values, (QList<int>{1, 2}));

        Rig empty;
        QVERIFY(empty.process(FormSource::Inbox));
        QVERIFY(empty.progress.maxima.isEmpty());
        QVERIFY(empty.progress.values.isEmpty());
    }

    void folderReplyAsksForTheAddressAndGoesOut()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.sendRepliesThrough(sink);
        rig.addForm(QStringLiteral("a.dat"), AnnForm);
        rig.dialogs.answerText(QStringLiteral("ann@example.com"));
        QVERIFY(rig.process(FormSource::Folder));

        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.shown()[0].text, QStringLiteral("Email Reply To:"));
        QCOMPARE(rig.items(),
                 QStringList({QStringLiteral("a.dat processed [OK]"),
                              QStringLiteral("   SMTP Send to ann@example.com [OK]")}));
        const QList<QByteArray> sent = sink.messages();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(recipientOf(sent[0]), QStringLiteral("ann@example.com"));
        QVERIFY(sent[0].contains("Dear Ann,\nthanks."));
        QCOMPARE(rig.rows().size(), 1);
        QCOMPARE(rig.rows()[0].sourceAddress, QStringLiteral("ann@example.com"));
    }

    void filesThatVanishDuringTheRunAreErrors()
    {
        Rig rig;
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        rig.settings().setText(SystemSettings::SMTP_From_Address, QStringLiteral("f@example.com"));
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            rig.addForm(QLatin1String(name), AnnForm);
        // The user empties the folder while the first reply waits for an address.
        bool emptied = false;
        rig.dialogs.onInputBox = [&] {
            if (std::exchange(emptied, true))
                return;
            QDir(rig.forms).removeRecursively();
            rig.addForm(QStringLiteral("d.dat"), AnnForm);
        };
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.items(), QStringList({QStringLiteral("a.dat processed [OK]"),
                                           QStringLiteral("b.dat could not be read [ERROR]"),
                                           QStringLiteral("c.dat could not be read [ERROR]")}));
        QCOMPARE(rig.summaryLines(), summary("3 files were processed", "1 file was ok",
                                             "0 files were ignored", "2 errors were found"));
    }

    void missingFolderEndsTheRunWithAnErrorLine()
    {
        Rig rig;
        const QString gone = rig.scratch.filePath(QStringLiteral("gone"));
        rig.settings().setLocalFolder(gone);
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(
            rig.log(),
            QStringList{QString()} + opening() +
                QStringList{
                    QStringLiteral("Processing error: Folder %1/ not found [ERROR]").arg(gone)} +
                completion(summary("0 files were processed", "0 files were ok",
                                   "0 files were ignored", "1 error were found")));
        QVERIFY(rig.dialogs.shown().isEmpty());
        QVERIFY(!rig.state().runInProgress);
        // The next run is not held up by the failed one.
        QDir().mkpath(gone);
        writeBytes(QDir(gone).filePath(QStringLiteral("a.dat")), AnnForm);
        QVERIFY(rig.process(FormSource::Folder));
        QCOMPARE(rig.counts.processed, 1);
        QCOMPARE(rig.counts.errors, 0);
    }

    void aRunNeverStartsInsideAnother()
    {
        Rig rig;
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        rig.settings().setText(SystemSettings::SMTP_From_Address, QStringLiteral("f@example.com"));
        rig.addForm(QStringLiteral("a.dat"), AnnForm);
        bool nestedRan = true;
        rig.dialogs.onInputBox = [&] {
            nestedRan = ProcessingRun(rig.state()).ProcessForms(FormSource::Folder);
        };
        QVERIFY(rig.process(FormSource::Folder));
        QVERIFY(!nestedRan);
        QCOMPARE(rig.log().count(RunLog::Opening), 1);
        QCOMPARE(rig.log().count(RunLog::Closing), 1);
        QVERIFY(!rig.state().runInProgress);
    }

    // ---- Inbox runs ----

    void inboxRunOverEveryKindOfMessage()
    {
        Rig rig;
        TestMaildir& mail = rig.mail;
        const QString ann =
            mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 1000);
        const QString bo = mail.deliverNew(
            formSubmissionNameOnly(QStringLiteral("Bo Ek <bo@example.se>"), BoForm), 1001);
        const QString cy =
            mail.deliverNew(twoAttachments(QStringLiteral("Cy <cy@example.net>")), 1002);
        const QString di =
            mail.deliverNew(attachedMessage(QStringLiteral("Di <di@example.net>")), 1003);
        const QString flo =
            mail.deliverNew(lowerCaseMarker(QStringLiteral("Flo <flo@example.net>")), 1004);
        const QString gus = mail.deliverNew(ordinaryMail(QStringLiteral("Gus <gus@example.net>"),
                                                         QStringLiteral("Form posted from")),
                                            1005);
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

        // Only the messages handed to the decoder became read.
        QVERIFY(mail.isRead(ann));
        QVERIFY(mail.isRead(bo));
        for (const QString& other : {cy, di, flo, gus})
            QCOMPARE(mail.stateOf(other), QStringLiteral("new"));

        const auto rows = rig.rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].sourceAddress, QStringLiteral("ann@example.com"));
        QCOMPARE(rows[0].message, QStringLiteral("Dear Ann Lee,\r\nthanks."));
        QCOMPARE(rows[1].sourceAddress, QStringLiteral("bo@example.se"));
        QCOMPARE(rows[1].message, QStringLiteral("Dear Bo,\r\nthanks."));
        // Emptied between messages, the table ends holding the definitions without values.
        QCOMPARE(rig.state().variables().count(), 2);
        QVERIFY(rig.state().variables().at(1).value.isEmpty());
    }

    void unreadOnlyFetchingFollowsTheSettings()
    {
        Rig rig;
        TestMaildir& mail = rig.mail;
        const QString fresh = mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        const QString seen = mail.deliverCur(formSubmission(QStringLiteral("B <b@x.org>")), 101,
                                             QStringLiteral("S"));
        const QString flagged = mail.deliverCur(formSubmission(QStringLiteral("C <c@x.org>")), 102,
                                                QStringLiteral("F"));

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

        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("0"));
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.counts.processed, 3);

        // Unattended operation always fetches unread mail only, and says so in the settings.
        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("5"));
        mail.deliverNew(formSubmission(QStringLiteral("D <d@x.org>")), 103);
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(), QStringList{QStringLiteral("d@x.org processed [OK]")});
        QCOMPARE(rig.settings().flag(SystemSettings::Ignore_Read_MAPI_Messages), 1);
    }

    void inboxReplyGoesToTheSender()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.sendRepliesThrough(sink);
        rig.mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 100);
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(),
                 QStringList({QStringLiteral("ann@example.com processed [OK]"),
                              QStringLiteral("   SMTP Send to ann@example.com [OK]")}));
        QVERIFY(rig.dialogs.shown().isEmpty());
        const QList<QByteArray> sent = sink.messages();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(recipientOf(sent[0]), QStringLiteral("ann@example.com"));
        QVERIFY(sent[0].contains("Dear Ann Lee,\nthanks."));
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
        rig.dialogs.clearShown();
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.dialogs.messages().size(), 1);
        QVERIFY(
            rig.dialogs.messages()[0].contains(QStringLiteral("BV_2001 - MAPI Logon Failure: ")));
        QCOMPARE(rig.counts.processed, 0);
    }

    void parseErrorInTheInboxIsReportedThenLogged()
    {
        Rig rig;
        const QString bad = rig.mail.deliverNew(
            formSubmission(QStringLiteral("Ann <ann@example.com>"), "name=Ann%4"), 100);
        rig.mail.deliverNew(formSubmission(QStringLiteral("Bo <bo@example.se>"), BoForm), 101);
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

    void inboxOperationsComeInTheirOrder()
    {
        Rig rig;
        QStringList calls;
        FakeInbox* inbox = nullptr;
        auto attachments = rig.scratch.filePath(QStringLiteral("fake"));
        rig.state().inboxFactory = [&] {
            auto made = std::make_unique<FakeInbox>(calls, attachments);
            inbox = made.get();
            made->messages = {
                {QStringLiteral("Ann"), QStringLiteral("Form posted from x"), 1,
                 MailInbox::DataFile, AnnForm},
                {QStringLiteral("bo@x.org"), QStringLiteral("Hello"), 0, MailInbox::DataFile, {}}};
            return made;
        };
        rig.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(calls, QStringList({"signOn", "fetch all", "select 0", "attachmentPath",
                                     "markRead 0", "select 1", "signOff"}));
        QVERIFY(inbox != nullptr);
        QCOMPARE(rig.items(),
                 QStringList({QStringLiteral("Ann processed [OK]"),
                              QStringLiteral("bo@x.org not a mailto form [IGNORED]")}));

        // A refused sign-on: no fetch and no sign-off.
        calls.clear();
        rig.state().inboxFactory = [&] {
            auto made = std::make_unique<FakeInbox>(calls, attachments);
            made->signOnSucceeds = false;
            return made;
        };
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(calls, QStringList{"signOn"});
        QVERIFY(rig.dialogs.messages().last().contains(
            QStringLiteral("MAPI Logon Failure: Login refused by imap.example.org)")));
    }

    void mailboxFailureEndsTheRunWithAnErrorLine_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");
        const QString lost =
            QStringLiteral("Processing error: Connection to imap.example.org was lost [ERROR]");
        QTest::newRow("fetch") << QStringLiteral("fetch unread") << QStringList{lost}
                               << summary("0 files were processed", "0 files were ok",
                                          "0 files were ignored", "1 error were found");
        QTest::newRow("second message")
            << QStringLiteral("select 1")
            << QStringList{QStringLiteral("a@x.org processed [OK]"), lost}
            << summary("3 files were processed", "2 files were ok", "0 files were ignored",
                       "1 error were found");
        QTest::newRow("marking read") << QStringLiteral("markRead 0") << QStringList{lost}
                                      << summary("3 files were processed", "2 files were ok",
                                                 "0 files were ignored", "1 error were found");
        QTest::newRow("sign-off") << QStringLiteral("signOff")
                                  << QStringList{QStringLiteral("a@x.org processed [OK]"),
                                                 QStringLiteral("b@x.org processed [OK]"),
                                                 QStringLiteral("c@x.org processed [OK]")}
                                  << summary("3 files were processed", "3 files were ok",
                                             "0 files were ignored", "0 errors were found");
    }

    void mailboxFailureEndsTheRunWithAnErrorLine()
    {
        QFETCH(QString, failAt);
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);
        Rig rig;
        QStringList calls;
        const QString attachments = rig.scratch.filePath(QStringLiteral("fake"));
        rig.state().inboxFactory = [&] {
            auto made = std::make_unique<FakeInbox>(calls, attachments);
            for (const char* from : {"a@x.org", "b@x.org", "c@x.org"})
                made->messages.append({QLatin1String(from), QStringLiteral("Form posted from x"), 1,
                                       MailInbox::DataFile, AnnForm});
            made->failAt = failAt;
            return made;
        };
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(), items);
        QCOMPARE(rig.summaryLines(), expected);
        QVERIFY(rig.dialogs.shown().isEmpty());
        // Signed on, so signed off, however the run ended.
        QCOMPARE(calls.count(QStringLiteral("signOff")), 1);
        QVERIFY(!rig.state().runInProgress);
        QVERIFY(!rig.state().cancelRequested);
    }

    void vanishedMaildirEndsTheRunWithAnErrorLine()
    {
        Rig rig;
        const QString first =
            rig.mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        rig.mail.deliverNew(formSubmission(QStringLiteral("B <b@x.org>")), 101);
        connect(&rig.state().eventLog(), &EventLog::lineAppended, this, [&](const QString& line) {
            if (line == QStringLiteral("a@x.org processed [OK]"))
                QDir(rig.mail.folder()).removeRecursively();
        });
        QVERIFY(rig.process(FormSource::Inbox));
        QCOMPARE(rig.items(),
                 QStringList({QStringLiteral("a@x.org processed [OK]"),
                              QStringLiteral("Processing error: Mail folder %1 not found [ERROR]")
                                  .arg(rig.mail.folder())}));
        QCOMPARE(rig.summaryLines(), summary("2 files were processed", "1 file was ok",
                                             "0 files were ignored", "1 error were found"));
        QVERIFY(rig.dialogs.shown().isEmpty());
    }

    // ---- Halting ----

    void cancelBeforeTheSecondOfThreeFiles()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.sendRepliesThrough(sink);
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            rig.addForm(QLatin1String(name), AnnForm);
        // Cancel is pressed while the first reply waits for its address.
        rig.dialogs.onInputBox = [&] { rig.state().cancelRequested = true; };
        rig.dialogs.answerText(QStringLiteral("ann@example.com"));
        QVERIFY(rig.process(FormSource::Folder));

        QCOMPARE(
            rig.log(),
            QStringList{QString()} + opening() +
                QStringList({QStringLiteral("a.dat processed [OK]"),
                             QStringLiteral("   SMTP Send to ann@example.com [OK]"), QString(),
                             QStringLiteral("File processing was halted by user"), QString()}) +
                completion(summary("3 files were processed", "3 files were ok",
                                   "0 files were ignored", "0 errors were found")));
        QCOMPARE(sink.messages().size(), 1);
        QCOMPARE(rig.rows().size(), 1);
        QVERIFY(!rig.state().cancelRequested);
        QCOMPARE(rig.progress.values, QList<int>{0});
    }

    void cancelWhileTheFirstReplyIsSentOverSmtp()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.sendRepliesThrough(sink);
        QStringList uniques;
        for (const char* who : {"A <a@x.org>", "B <b@x.org>", "C <c@x.org>"})
            uniques << rig.mail.deliverNew(formSubmission(QLatin1String(who)),
                                           100 + uniques.size());
        // Handled at the first moment the run lets the event loop run: the SMTP wait.
        QTimer::singleShot(0, this, [&] { rig.state().cancelRequested = true; });
        QVERIFY(rig.process(FormSource::Inbox));

        QCOMPARE(rig.items(),
                 QStringList({QStringLiteral("a@x.org processed [OK]"),
                              QStringLiteral("   SMTP Send to a@x.org [OK]"), QString(),
                              QStringLiteral("File processing was halted by user"), QString()}));
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(rig.mail.isRead(uniques[0]));
        QCOMPARE(rig.mail.stateOf(uniques[1]), QStringLiteral("new"));
        QCOMPARE(rig.mail.stateOf(uniques[2]), QStringLiteral("new"));
        QCOMPARE(rig.state().status().text(), QStringLiteral("Form Processing Complete"));
        QVERIFY(!rig.state().cancelRequested);
    }
};

QTEST_GUILESS_MAIN(ProcessingRunTest)
#include "test_processing_run.moc"
