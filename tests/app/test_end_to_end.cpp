// The whole program in one process: a program folder as an installation leaves it, a mail
// profile naming a Maildir with submissions, a real SMTP server, and start-up doing the rest.
#include "MailSamples.h"
#include "RunLog.h"
#include "ScriptedMailLogon.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "design/TemplateDesigner.h"
#include "design/TemplateFile.h"
#include "platform/mail/MailProfile.h"
#include "processing/ui/frmLocation_Prompt.h"
#include "reply/ResponseDatabase.h"

#include <QAction>
#include <QApplication>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

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
            QSKIP(qPrintable(QStringLiteral("aiosmtpd did not start: ") + sink.errorText()));

        TestApp app;
        QTemporaryDir mailHome;
        const QString maildir = mailHome.filePath(QStringLiteral("Maildir"));
        TestMaildir mail(maildir);
        // Oldest first: a form, an ordinary mail, a form whose data is in Windows-1252; and a
        // form read earlier, which unread-only fetching leaves alone.
        const QString seen = mail.deliverCur(formSubmission(QStringLiteral("Cy <cy@example.net>")),
                                             900, QStringLiteral("S"));
        const QString ann =
            mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 1000);
        const QString gus = mail.deliverNew(ordinaryMail(QStringLiteral("Gus <gus@example.net>"),
                                                         QStringLiteral("Lunch on Friday?")),
                                            1001);
        const QString bo = mail.deliverNew(
            formSubmissionNameOnly(
                QStringLiteral("Bo Ek <bo@example.se>"),
                "name=Bo+Ek&email=bo%40example.se&comments=Caf\xe9+au+lait%2C+2%25"),
            1002);
        const MailProfile profile{maildir, QString(), QString()};
        QVERIFY(profile.save());

        const QString templatePath = app.path(QStringLiteral("reply.rtm"));
        const QByteArray templateBytes = TemplateFile::encode(
            Design, {{QStringLiteral("name"), QString(), {}},
                     {QStringLiteral("email"), QString(), {}},
                     {QStringLiteral("comments"), QStringLiteral("Your note"), {}}});
        app.writeFile(QStringLiteral("reply.rtm"), templateBytes);
        app.writeFile(QStringLiteral("FORM.INI"),
                      QStringLiteral("[System Settings]\r\nAuto_Open_Template=1\r\n"
                                     "Auto_Process_On_Start=1\r\nSuppress_Reply_To_Sender=0\r\n"
                                     "Ignore_Read_MAPI_Messages=1\r\nAuto_Timer=0\r\n"
                                     "SMTP_From_Address=%1\r\nSMTP_Server_Address=%2\r\n"
                                     "SMTP_Reply_Subject=%3\r\nLast_Template_Open=%4\r\n")
                          .arg(From, sink.address(), Subject, templatePath)
                          .toUtf8());
        const QString database = app.path(ResponseDatabase::FileName);
        QCOMPARE(ResponseDatabase::createEmptyDatabase(database),
                 ResponseDatabase::Creation::Created);

        ScriptedMailLogon logon;
        app.state->inboxFactory = [&logon] { return MailInbox::fromProfile(logon); };
        frmMain window(*app.state);
        QVERIFY(runStartup(*app.state, window, 0));

        // Nothing asked the user anything: the profile named the inbox, senders have addresses.
        QCOMPARE(app.dialogs.shown().size(), 0);
        QVERIFY(logon.requests().isEmpty());

        const QString annReply = reply(QStringLiteral("Ann Lee"), QStringLiteral("ann@example.com"),
                                       QStringLiteral("Please call me!"));
        const QString boReply = reply(QStringLiteral("Bo Ek"), QStringLiteral("bo@example.se"),
                                      QStringLiteral("Caf\u00e9 au lait, 2%"));

        // The replies at the server, in the order of the inbox.
        // One database row per decoded submission, with the address replied to and the reply.
        const QList<QByteArray> sent = sink.messages();
        const QList<ResponseRecord> rows = ResponseDatabase::readRecords(database);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(rows.size(), 2);
        const QList<QPair<QString, QString>> expected{{QStringLiteral("ann@example.com"), annReply},
                                                      {QStringLiteral("bo@example.se"), boReply}};
        for (int i = 0; i < 2; ++i) {
            const QJsonObject message = SmtpSink::decoded(sent[i]);
            const QJsonObject headers = message.value(QStringLiteral("headers")).toObject();
            QCOMPARE(headers.value(QStringLiteral("X-RcptTo")).toString(), expected[i].first);
            QCOMPARE(headers.value(QStringLiteral("X-MailFrom")).toString(), From);
            QCOMPARE(headers.value(QStringLiteral("Subject")).toString(), Subject);
            QString body = expected[i].second;
            body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            QCOMPARE(message.value(QStringLiteral("body")).toString(), body + QLatin1Char('\n'));
            QCOMPARE(rows[i].sourceAddress, expected[i].first);
            QCOMPARE(rows[i].subject, Subject);
            QCOMPARE(rows[i].message, expected[i].second);
        }


        // The event log, line by line; the pane shows the same text.
        const QString log = app.state->eventLog().text();
        QCOMPARE(
            RunLog::lines(log),
            QStringList{QString()} + RunLog::opening() +
                QStringList({QStringLiteral("ann@example.com processed [OK]"),
                             QStringLiteral("   SMTP Send to ann@example.com [OK]"),
                             QStringLiteral("gus@example.net not a mailto form [IGNORED]"),
                             QStringLiteral("bo@example.se processed [OK]"),
                             QStringLiteral("   SMTP Send to bo@example.se [OK]")}) +
                RunLog::completion(RunLog::summary("3 files were processed", "2 files were ok",
                                                   "1 file were ignored", "0 errors were found")));
        QString shown = log;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(window.rtfEventLog->toPlainText(), shown);
        QCOMPARE(window.StaMain->text(), QStringLiteral("Form Processing Complete"));

        // Submissions are marked read; ordinary mail and mail read before keep their state.
        QVERIFY(mail.isRead(ann));
        QVERIFY(mail.isRead(bo));
        QCOMPARE(mail.stateOf(gus), QStringLiteral("new"));
        QCOMPARE(mail.stateOf(seen), QStringLiteral("S"));

        // The run is over: the grid holds the definitions without values, the pointer is back.
        const VariableGridModel* grid = app.state->variables().gridModel();
        QCOMPARE(grid->rowCount(), 3);
        QVERIFY(grid->cell(0, VariableGridModel::ValueColumn).isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        // New mail after start-up, and the user presses Process, then OK: only the new
        // submission is answered; the ones read by the first run are not processed again, while
        // the ordinary mail, still unread, is looked at again.
        const QString dee =
            mail.deliverNew(formSubmission(QStringLiteral("Dee <dee@example.net>")), 1003);
        const qsizetype logged = log.size();
        QTimer::singleShot(0, &window, [&window] {
            window.findChild<frmLocation_Prompt*>()->btnLocation_Prompt_Ok->click();
        });
        window.toolbarButton(QStringLiteral("btnProcess"))->trigger();
        QCOMPARE(sink.messages().size(), 3);
        const QJsonObject third = SmtpSink::decoded(sink.messages().last());
        QCOMPARE(third.value(QStringLiteral("headers"))
                     .toObject()
                     .value(QStringLiteral("X-RcptTo"))
                     .toString(),
                 QStringLiteral("dee@example.net"));
        QCOMPARE(RunLog::lines(app.state->eventLog().text().mid(logged)).mid(4, 8),
                 (QStringList{QStringLiteral("gus@example.net not a mailto form [IGNORED]"),
                              QStringLiteral("dee@example.net processed [OK]"),
                              QStringLiteral("   SMTP Send to dee@example.net [OK]"), QString()} +
                  RunLog::summary("2 files were processed", "1 file was ok", "1 file were ignored",
                                  "0 errors were found")));
        QCOMPARE(ResponseDatabase::readRecords(database).size(), 3);
        QVERIFY(mail.isRead(dee));

        // The merges changed the template: leaving asks to save it; No keeps the file as it was.
        QVERIFY(app.state->replyTemplate().isChanged());
        QSignalSpy ended(&window, &frmMain::programEnded);
        app.dialogs.answer(Dialogs::Answer::No);
        window.close();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(app.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
        QCOMPARE(app.readFile(QStringLiteral("reply.rtm")), templateBytes);
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
