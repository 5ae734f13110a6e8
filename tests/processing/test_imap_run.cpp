// An inbox run against a real IMAP server (Debian's dovecot on 127.0.0.1), through the user's
// mail profile as the program reads it.
#include "DovecotServer.h"
#include "MailSamples.h"
#include "RunLog.h"
#include "ScriptedMailLogon.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/mail/ImapInbox.h"
#include "platform/mail/MailProfile.h"
#include "processing/ProcessingRun.h"
#include "reply/ResponseDatabase.h"

#include <QtTest>

using namespace MailSamples;

class ImapRunTest : public QObject
{
    Q_OBJECT

    DovecotServer m_server;

    // Waits until the server has taken in as many messages as given, so that their sequence
    // numbers follow the order of delivery.
    bool serverHolds(int messages) const
    {
        ImapInbox inbox(m_server.imapUrl(), DovecotServer::User, DovecotServer::Password);
        if (!inbox.signOn())
            return false;
        inbox.fetch(false);
        return inbox.count() == messages && inbox.signOff();
    }

private slots:
    void runAnswersUnreadFormsAndMarksThemSeen()
    {
        if (!m_server.start())
            QSKIP(
                qPrintable(QStringLiteral("IMAP runs need a local dovecot: ") + m_server.whyNot()));
        TestMaildir mail(m_server.maildir());
        const QString ann =
            mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 100);
        QVERIFY(serverHolds(1));
        const QString bo = mail.deliverCur(formSubmission(QStringLiteral("Bo <bo@example.se>")),
                                           101, QStringLiteral("S"));
        QVERIFY(serverHolds(2));
        const QString cy = mail.deliverNew(
            ordinaryMail(QStringLiteral("Cy <cy@example.net>"), QStringLiteral("Hi")), 102);
        QVERIFY(serverHolds(3));

        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        TestApp app;
        ResponseDatabase::createEmptyDatabase(app.path(ResponseDatabase::FileName));
        app.state->replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,\r\nthanks."));
        const MailProfile profile{m_server.imapUrl(), DovecotServer::User,
                                  DovecotServer::Password};
        QVERIFY(profile.save());
        ScriptedMailLogon logon;
        app.state->inboxFactory = [&logon] { return MailInbox::fromProfile(logon); };
        SystemSettings& s = app.state->settings();
        s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        s.setText(SystemSettings::SMTP_Server_Address, sink.address());
        s.setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 1);
        auto run = [&] {
            ProcessingRun& processing = app.state->run();
            processing.ProcessForms(FormSource::Inbox);
            const QStringList all = RunLog::lines(app.state->eventLog().text());
            const int first = int(all.lastIndexOf(RunLog::Opening)) + 3;
            return all.mid(first, all.size() - first - 9);
        };

        QCOMPARE(run(),
                 QStringList({QStringLiteral("ann@example.com processed [OK]"),
                              QStringLiteral("   SMTP Send to ann@example.com [OK]"),
                              QStringLiteral("cy@example.net not a mailto form [IGNORED]")}));
        QVERIFY2(app.dialogs.shown().isEmpty(), qPrintable(app.dialogs.messages().join('\n')));
        QVERIFY(logon.requests().isEmpty());
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages()[0].contains("Dear name: Ann Lee,\nthanks."));
        QVERIFY(mail.isRead(ann));
        QVERIFY(!mail.isRead(cy));
        QVERIFY(mail.isRead(bo));

        // Only the ordinary mail is still unread; read mail comes back with the setting off.
        s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        QCOMPARE(run(), QStringList{QStringLiteral("cy@example.net not a mailto form [IGNORED]")});
        s.setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        QCOMPARE(run().size(), 3);
        QCOMPARE(ResponseDatabase::readRecords(app.path(ResponseDatabase::FileName)).size(), 3);
    }
};

QTEST_GUILESS_MAIN(ImapRunTest)
#include "test_imap_run.moc"
