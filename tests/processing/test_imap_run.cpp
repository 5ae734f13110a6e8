// An inbox run against a real IMAP server (Debian's dovecot on 127.0.0.1), through the user's
// mail profile as the program reads it.
#include "DovecotServer.h"
#include "SmtpSink.h"
#include "TestSupport.h"
#include "platform/MailProfile.h"
#include "platform/ScriptedMailLogon.h"

#include <QtTest>

using namespace MailSamples;

class ImapRunTest : public QObject
{
    Q_OBJECT

private slots:
    void runAnswersUnreadFormsAndMarksThemSeen()
    {
        DovecotServer server;
        if (!server.start())
            QSKIP(qPrintable("IMAP runs need a local dovecot: " + server.whyNot()));
        TestMaildir mail(server.maildir());
        const QString ann = mail.deliverNew(formSubmission("Ann Lee <ann@example.com>"), 100);
        QVERIFY(server.holds(1));
        const QString bo = mail.deliverCur(formSubmission("Bo <bo@example.se>"), 101, "S");
        QVERIFY(server.holds(2));
        const QString cy = mail.deliverNew(ordinaryMail("Cy <cy@example.net>", "Hi"), 102);
        QVERIFY(server.holds(3));

        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        TestApp app;
        app.prepareRuns();
        QVERIFY((MailProfile{server.imapUrl(), DovecotServer::User, DovecotServer::Password}.save()));
        ScriptedMailLogon logon;
        app.state->inboxFactory = [&logon] { return MailInbox::fromProfile(logon); };
        app.sendRepliesThrough(sink.address());
        app.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);

        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"ann@example.com processed [OK]",
                                           "   SMTP Send to ann@example.com [OK]",
                                           "cy@example.net not a mailto form [IGNORED]"}));
        QVERIFY2(app.dialogs.shown().isEmpty(), qPrintable(app.dialogs.messages().join('\n')));
        QVERIFY(logon.requests().isEmpty());
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages()[0].contains("Dear Ann Lee,\nthanks."));
        QVERIFY(mail.isRead(ann) && mail.isRead(bo) && !mail.isRead(cy));

        // Only the ordinary mail is still unread; read mail comes back with the setting off.
        app.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList{"cy@example.net not a mailto form [IGNORED]"});
        app.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items().size(), 3);
        QCOMPARE(app.rows().size(), 3);
    }
};

QTEST_GUILESS_MAIN(ImapRunTest)
#include "test_imap_run.moc"
