// The IMAP inbox against a real server (Debian's dovecot on 127.0.0.1), and a run over it
// through the mail account of the settings as the program reads it.
#include "DelayProxy.h"
#include "DovecotServer.h"
#include "ScriptedMailLogon.h"
#include "TestSupport.h"
#include "platform/mail/ImapInbox.h"
#include "platform/mail/MailInboxError.h"
#include "processing/ui/QtRunLauncher.h"
#include "processing/ui/frmProcessing.h"

using namespace MailSamples;

class TestImapInbox : public QObject
{
    Q_OBJECT

    DovecotServer m_server;
    QString m_fresh, m_seen, m_other, m_nameOnly;

    std::unique_ptr<ImapInbox> inbox(const QString& password = DovecotServer::Password)
    {
        return std::make_unique<ImapInbox>(m_server.imapUrl(), DovecotServer::User, password);
    }
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

    void readsInboxWithoutChangingIt()
    {
        const auto in = inbox();
        QVERIFY2(in->signOn(), qPrintable(in->errorDescription()));
        in->fetch(false);
        QStringList read;
        for (int i = 0; i < in->count(); ++i) {
            in->select(i);
            const QString path = in->attachmentPath();
            read << QStringLiteral("%1 %2 %3 %4")
                        .arg(in->originator(), in->bodyText().trimmed().left(16))
                        .arg(in->attachmentCount())
                        .arg(QLatin1String(path.isEmpty() ? "-" : readBytes(path) == formData() ? "form" : "?"));
        }
        QCOMPARE(read, (QStringList{"ann@example.com Form posted from 1 form",
                                    "bo@example.se Form posted from 1 form", "cy@example.net Grüße 0 -",
                                    "di@example.net Form posted from 1 form"}));
        QCOMPARE(in->attachmentType(), int(MailInbox::DataFile));
        const QString saved = QFileInfo(in->attachmentPath()).absolutePath();
        QVERIFY(in->signOff());
        QVERIFY(!QFileInfo::exists(saved));
        // Fetched with PEEK: no message became seen.
        QCOMPARE(readFlags(), (QList<bool>{false, true, false, false}));
    }

    void refusedLoginAndConnection()
    {
        const auto wrong = inbox(QStringLiteral("wrong"));
        QVERIFY(!wrong->signOn());
        QCOMPARE(wrong->errorDescription(), QStringLiteral("Login refused by 127.0.0.1"));
        QVERIFY(wrong->loginRefused());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, wrong->fetch(false));

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        ImapInbox nobody(QStringLiteral("imap://127.0.0.1:%1").arg(closedPort), DovecotServer::User, {});
        QVERIFY(!nobody.signOn());
        QCOMPARE(nobody.errorDescription(), QStringLiteral("Connection refused by 127.0.0.1:%1").arg(closedPort));
        QVERIFY(!nobody.loginRefused());
    }

    // Without TLS a password goes only to a loopback address; the server here offers no TLS.
    void noLoginInClearToARemoteServer()
    {
        const QString port = QString::number(QUrl(m_server.imapUrl()).port());
        ImapInbox local("imap://localhost:" + port, DovecotServer::User, DovecotServer::Password);
        QVERIFY2(local.signOn(), qPrintable(local.errorDescription()));
        QVERIFY(local.signOff());
        DelayProxy wire(QUrl(m_server.imapUrl()).port(), 0);
        QVERIFY2(wire.isRunning(), qPrintable(wire.errorText()));
        ImapInbox::setLoopbackTrusted(false);
        ImapInbox remote(QStringLiteral("imap://127.0.0.1:%1").arg(wire.port()), DovecotServer::User, DovecotServer::Password);
        const bool signedOn = remote.signOn();
        ImapInbox::setLoopbackTrusted(true);
        QVERIFY(!signedOn && !remote.loginRefused());
        QCOMPARE(remote.errorDescription(), QStringLiteral("Server 127.0.0.1 offers no secure connection"));
        QVERIFY(wire.sent().contains("STARTTLS"));
        // A run shows it as any failed sign-on, and the logon is not asked: nothing was refused.
        TestApp app;
        ScriptedMailLogon logon;
        useAccount(app, logon, m_server.imapUrl());
        ImapInbox::setLoopbackTrusted(false);
        QVERIFY(app.process(FormSource::Inbox));
        ImapInbox::setLoopbackTrusted(true);
        QCOMPARE(app.dialogs.messages(),
                 QStringList{warning(ErrorCode::MapiLogon + "Server 127.0.0.1 offers no secure connection")});
        QVERIFY(logon.requests().isEmpty());
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
        QVERIFY(!signOn(DovecotServer::User, "wrong")); // the logon cancels: nothing changes
        QCOMPARE(app.settings().text(K::MAPI_Password), QStringLiteral("wrong"));
    }

    // Against a server that answers late: an event posted before a wait is handled during it
    // (before the first item), and Cancel pressed while the first item waits halts the run
    // after that item. Passes between items are off, so only the waits can let events in.
    void waitsKeepTheEventLoopRunning()
    {
        DelayProxy slow(QUrl(m_server.imapUrl()).port(), 150);
        QVERIFY2(slow.isRunning(), qPrintable(slow.errorText()));
        TestApp app;
        ScriptedMailLogon logon;
        useAccount(app, logon, QStringLiteral("imap://127.0.0.1:%1").arg(slow.port()));
        app.state->run().setEventPassInterval(std::numeric_limits<int>::max());
        app.settings().setFlag(SystemSettings::Ignore_Read_MAPI_Messages, 0);
        QString statusAtEvent = "not handled";
        bool runningAtEvent = false;
        QTimer::singleShot(0, [&] {
            runningAtEvent = app.state->flags.runInProgress;
            statusAtEvent = app.state->status().text();
        });
        // The user's Cancel on the progress window, once the first item is in hand.
        frmMain window(*app.state);
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            auto* progress = window.findChild<frmProcessing*>();
            if (progress && progress->isVisible() && app.state->status().text().startsWith("Processing ann@example.com"))
                progress->Command1->click();
        });
        cancel.start(0);
        window.launcher()->runAtStartup();
        QVERIFY(runningAtEvent);
        QVERIFY2(!statusAtEvent.startsWith("Processing"), qPrintable(statusAtEvent));
        QCOMPARE(app.items(), QStringList({"ann@example.com processed [OK]", "", "File processing was halted by user", ""}));
        QCOMPARE(app.rows().size(), 1);
        QVERIFY(logon.requests().isEmpty());
    }

    // Only unread forms are answered and marked seen, the ordinary mail stays unread.
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
        QVERIFY(logon.requests().isEmpty());
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(sink.messages()[0].contains("Dear Ann Lee,\nthanks."));
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
