// The whole program in one process: a program folder as an installation leaves it, the mail
// profile of an earlier version naming a Maildir with submissions, a real SMTP server, and
// start-up doing the rest.
#include "ScriptedMailLogon.h"
#include "TestSupport.h"
#include "design/TemplateFile.h"

using namespace MailSamples;

namespace {

const QString Subject = QStringLiteral("Thank you for your form");
const QString From = QStringLiteral("forms@example.org");

// The reply design: markers with and without friendly names, and one field twice.
const QString Design =
    QStringLiteral("Dear <<name>>,\r\n\r\n"
                   "Thank you for writing to us. We will answer at <<email>>.\r\n"
                   "<<comments>>\r\n\r\n"
                   "The Forms Desk (<<name>>)");

QString reply(const QString& name, const QString& email, const QString& note)
{
    return QStringLiteral("Dear %1,\r\n\r\nThank you for writing to us. We will answer at %2.\r\n"
                          "Your note: %3\r\n\r\nThe Forms Desk (%1)")
        .arg(name, email, note);
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void startupAnswersTheInboxRecordsAndLogs()
    {
        SmtpSink sink;
        if (!sink.isRunning())
            QSKIP(qPrintable("aiosmtpd did not start: " + sink.errorText()));

        TestApp app(TestApp::ReadyForRuns);
        TestMaildir& mail = app.mail();
        // Oldest first: a form, an ordinary mail, a form whose data is in Windows-1252; and a
        // form read earlier, which unread-only fetching leaves alone.
        const QString seen = mail.deliverCur(formSubmission("Cy <cy@example.net>"), 900, "S");
        const QString ann = mail.deliverNew(formSubmission("Ann Lee <ann@example.com>"), 1000);
        const QString gus = mail.deliverNew(ordinaryMail("Gus <gus@example.net>", "Lunch on Friday?"), 1001);
        const QString bo = mail.deliverNew(
            formSubmissionNameOnly("Bo Ek <bo@example.se>",
                                   "name=Bo+Ek&email=bo%40example.se&comments=Caf\xe9+au+lait%2C+2%25"),
            1002);
        {
            QSettings store("Brevane", "Brevane");
            store.setValue("Mail Profile/Inbox", mail.folder());
            store.setValue("Mail Profile/User", "ann");
            store.setValue("Mail Profile/Password", "old pw");
            store.setValue("File History/File1", "a.rtm");
        }
        const QString templatePath = app.path("reply.rtm");
        app.writeFile("reply.rtm", TemplateFile::encode(Design, {{"name", QString(), {}}, {"email", QString(), {}},
                                                                 {"comments", "Your note", {}}}));
        app.writeFile("FORM.INI", QStringLiteral("[System Settings]\r\nAuto_Open_Template=1\r\n"
                                                 "Auto_Process_On_Start=1\r\nSuppress_Reply_To_Sender=0\r\n"
                                                 "Ignore_Read_MAPI_Messages=1\r\nAuto_Timer=0\r\n"
                                                 "SMTP_From_Address=%1\r\nSMTP_Server_Address=%2\r\n"
                                                 "SMTP_Reply_Subject=%3\r\nLast_Template_Open=%4\r\n"
                                                 "MAPI_ID=forms\r\nMAPI_Password=\r\n")
                                      .arg(From, sink.address(), Subject, templatePath)
                                      .toUtf8());
        ScriptedMailLogon logon;
        app.state->inboxFactory = app.state->accountInboxes(logon);
        frmMain window(*app.state);
        QVERIFY(runStartup(*app.state, window, 0));

        // Nothing asked the user anything: the old profile named the inbox, senders have
        // addresses. What FORM.INI lacked was taken from the profile and written; the profile
        // is gone, the rest of the per-user store stays.
        QVERIFY(app.dialogs.shown().isEmpty() && logon.requests().isEmpty());
        const QString ini = QString::fromUtf8(app.readFile("FORM.INI"));
        for (const QString& line : {"Mail_Inbox=" + mail.folder(), QStringLiteral("MAPI_ID=forms"),
                                    QStringLiteral("MAPI_Password=old pw")})
            QVERIFY2(ini.contains(line + "\r\n"), qPrintable(line));
        QVERIFY(QSettings("Brevane", "Brevane").childGroups() == QStringList{"File History"});
        const QString annReply = reply("Ann Lee", "ann@example.com", "Please call me!");
        const QString boReply = reply("Bo Ek", "bo@example.se", "Caf\u00e9 au lait, 2%");

        // The replies at the server, in the order of the inbox, and one database row each.
        const QList<ResponseRecord> rows = ResponseDatabase::readRecords(app.path(ResponseDatabase::FileName));
        QCOMPARE(sink.messages().size(), 2);
        QCOMPARE(rows.size(), 2);
        const QList<QPair<QString, QString>> expected{{"ann@example.com", annReply}, {"bo@example.se", boReply}};
        for (int i = 0; i < 2; ++i) {
            const QJsonObject message = SmtpSink::decoded(sink.messages()[i]);
            const QJsonObject headers = message.value("headers").toObject();
            QCOMPARE(QStringList({headers.value("X-RcptTo").toString(), headers.value("X-MailFrom").toString(),
                                  headers.value("Subject").toString(), message.value("body").toString()}),
                     QStringList({expected[i].first, From, Subject, QString(expected[i].second).replace("\r\n", "\n") + '\n'}));
            QCOMPARE(QStringList({rows[i].sourceAddress, rows[i].subject, rows[i].message}),
                     QStringList({expected[i].first, Subject, expected[i].second}));
        }
        // The event log, line by line.
        QCOMPARE(RunLog::lines(app.state->eventLog().text()),
                 QStringList{QString()} + RunLog::opening() +
                     QStringList({"ann@example.com processed [OK]", "   SMTP Send to ann@example.com [OK]",
                                  "gus@example.net not a mailto form [IGNORED]", "bo@example.se processed [OK]",
                                  "   SMTP Send to bo@example.se [OK]"}) +
                     RunLog::completion(QStringList({"3 files were processed", "2 files were ok",
                                                     "1 file were ignored", "0 errors were found"})));
        // Submissions are marked read; ordinary mail and mail read before keep their state.
        QVERIFY(mail.isRead(ann) && mail.isRead(bo));
        QCOMPARE(mail.stateOf(gus) + mail.stateOf(seen), QStringLiteral("newS"));
        // The merges changed the template, so that leaving will ask to save it.
        QVERIFY(app.state->replyTemplate().isChanged());
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
