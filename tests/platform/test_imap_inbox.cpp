// The IMAP inbox against a real server (Debian's dovecot on 127.0.0.1), and a run over it
// through the mail account of the settings as the program reads it.
#include "DelayProxy.h"
#include "DovecotServer.h"
#include "ScriptedMailLogon.h"
#include "TestSupport.h"
#include "platform/mail/ImapInbox.h"

using namespace MailSamples;

class TestImapInbox : public QObject
{
    Q_OBJECT

    DovecotServer m_server;
    QString m_fresh, m_seen, m_other, m_nameOnly;

    // Read flags as the server keeps them: fresh, seen, other, name-only.
    QList<bool> readFlags() const
    {
        TestMaildir mail(m_server.maildir());
        return {mail.isRead(m_fresh), mail.isRead(m_seen), mail.isRead(m_other), mail.isRead(m_nameOnly)};
    }
    // Runs read the account of the settings, the logon asked as the program asks it.
    void useAccount(TestApp& app, ScriptedMailLogon& logon, const QString& url)
    {
        app.prepareRuns();
        app.settings().setText(SystemSettings::Mail_Inbox, url);
        app.settings().setText(SystemSettings::MAPI_ID, DovecotServer::User);
        app.settings().setText(SystemSettings::MAPI_Password, DovecotServer::Password);
        app.state->inboxFactory = app.state->accountInboxes(logon);
    }

private slots:
    void initTestCase()
    {
        userSettingsFolder();
        if (!m_server.start())
            QSKIP(qPrintable("IMAP tests need a local dovecot: " + m_server.whyNot()));
        TestMaildir mail(m_server.maildir());
        m_fresh = mail.deliverNew(formSubmission("Ann Lee <ann@example.com>"), 300);
        QVERIFY(m_server.holds(1));
        m_seen = mail.deliverCur(formSubmission("Bo <bo@example.se>"), 100, "S");
        QVERIFY(m_server.holds(2));
        m_other = mail.deliverNew(ordinaryMail("Cy <cy@example.net>", "Grüße"), 200);
        QVERIFY(m_server.holds(3));
        m_nameOnly = mail.deliverNew(formSubmissionNameOnly("Di <di@example.net>"), 50);
    }

    // Without TLS a password goes only to a loopback address; the server here offers no TLS. A
    // run shows it as any failed sign-on, and the logon is not asked: nothing was refused.
    void noLoginInClearToARemoteServer()
    {
        ImapInbox local(QStringLiteral("imap://localhost:%1").arg(QUrl(m_server.imapUrl()).port()), DovecotServer::User,
                        DovecotServer::Password);
        QVERIFY2(local.signOn(), qPrintable(local.errorDescription()));
        QVERIFY(local.signOff());
        DelayProxy wire(QUrl(m_server.imapUrl()).port(), 0);
        QVERIFY2(wire.isRunning(), qPrintable(wire.errorText()));
        TestApp app;
        ScriptedMailLogon logon;
        useAccount(app, logon, QStringLiteral("imap://127.0.0.1:%1").arg(wire.port()));
        ImapInbox::setLoopbackTrusted(false);
        QVERIFY(app.process(FormSource::Inbox));
        ImapInbox::setLoopbackTrusted(true);
        QCOMPARE(app.dialogs.messages(),
                 QStringList{warning(ErrorCode::MapiLogon + "Server 127.0.0.1 offers no secure connection")});
        QVERIFY(logon.requests().isEmpty() && wire.sent().contains("STARTTLS"));
        QVERIFY2(!wire.sent().contains(DovecotServer::Password.toLatin1()) && !wire.sent().contains("AUTH") &&
                     !wire.sent().contains("LOGIN"),
                 wire.sent().constData());
    }

    // The account of the settings signs on; the logon asks when the server refuses it or no
    // user name is given, and what worked goes into the settings for the next run.
    void accountAsksWhenLoginIsRefusedOrUnnamed()
    {
        TestApp app;
        using K = SystemSettings;
        ScriptedMailLogon logon;
        const auto signOn = [&](const QString& user, const QString& password) {
            app.settings().setText(K::Mail_Inbox, m_server.imapUrl());
            app.settings().setText(K::MAPI_ID, user);
            app.settings().setText(K::MAPI_Password, password);
            const auto in = app.state->accountInboxes(logon)();
            const bool signedOn = in->signOn();
            in->signOff();
            return signedOn;
        };
        logon.answer({m_server.imapUrl(), DovecotServer::User, "typo"});
        logon.answer({m_server.imapUrl(), DovecotServer::User, DovecotServer::Password});
        QVERIFY(signOn(DovecotServer::User, "old"));
        logon.answer({m_server.imapUrl(), DovecotServer::User, DovecotServer::Password});
        QVERIFY(signOn(QString(), QString()));
        QVERIFY(signOn(DovecotServer::User, DovecotServer::Password));
        QStringList asked;
        for (const auto& request : logon.requests())
            asked << request.reason + " (" + request.profile.password + ")";
        QCOMPARE(asked, QStringList({"Login refused by 127.0.0.1 (old)", "Login refused by 127.0.0.1 (typo)",
                                     "No user name given for 127.0.0.1 ()"}));
        QCOMPARE(QStringList({app.settings().text(K::MAPI_ID), app.settings().text(K::MAPI_Password)}),
                 QStringList({DovecotServer::User, DovecotServer::Password}));
    }

    // Against a server that answers late, a cancel posted while the first item waits halts the
    // run after that item: passes between items are off, so only the waits can let it in.
    void waitsKeepTheEventLoopRunning()
    {
        DelayProxy slow(QUrl(m_server.imapUrl()).port(), 150);
        QVERIFY2(slow.isRunning(), qPrintable(slow.errorText()));
        TestApp app;
        ScriptedMailLogon logon;
        useAccount(app, logon, QStringLiteral("imap://127.0.0.1:%1").arg(slow.port()));
        app.state->run().setEventPassInterval(std::numeric_limits<int>::max());
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            if (app.state->status().text().startsWith("Processing ann@example.com"))
                app.state->flags.cancelRequested = true;
        });
        cancel.start(0);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"ann@example.com processed [OK]", "", "File processing was halted by user", ""}));
    }

    // Only unread forms are answered and marked seen; the ordinary mail, read with PEEK as every
    // message is, stays unread. Ann's form was answered by the case above: cases run in order.
    void runAnswersUnreadFormsAndMarksThemSeen()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        TestApp app;
        ScriptedMailLogon logon;
        useAccount(app, logon, m_server.imapUrl());
        app.sendRepliesThrough(sink.address());
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList({"cy@example.net not a mailto form [IGNORED]", "di@example.net processed [OK]",
                                           "   SMTP Send to di@example.net [OK]"}));
        QVERIFY2(app.dialogs.shown().isEmpty(), qPrintable(app.dialogs.messages().join('\n')));
        QVERIFY(sink.messages().value(0).contains("Dear Ann Lee,\nthanks.")); // di's form names Ann Lee
        QCOMPARE(readFlags(), (QList<bool>{true, true, false, true}));
        // Only the ordinary mail is still unread; read mail comes back with the setting off.
        app.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items(), QStringList{"cy@example.net not a mailto form [IGNORED]"});
        app.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        QVERIFY(app.process(FormSource::Inbox));
        QCOMPARE(app.items().size(), 4);
        QCOMPARE(app.rows().size(), 4);
    }
};

QTEST_MAIN(TestImapInbox)
#include "test_imap_inbox.moc"
