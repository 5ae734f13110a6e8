#include "DovecotServer.h"
#include "MailSamples.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/ImapInbox.h"
#include "platform/MailInboxError.h"
#include "platform/MailProfile.h"
#include "platform/ProfileInbox.h"
#include "platform/ScriptedMailLogon.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailSamples;

class TestImapInbox : public QObject
{
    Q_OBJECT

private:
    DovecotServer m_server;
    QTemporaryDir m_config;
    QString m_fresh, m_seen, m_other, m_nameOnly;

    bool serverHasSeen(int messages)
    {
        ImapInbox inbox(m_server.imapUrl(), DovecotServer::User, DovecotServer::Password);
        if (!inbox.signOn())
            return false;
        inbox.fetch(false);
        return inbox.count() == messages && inbox.signOff();
    }

    MailProfile oldProfile() const
    {
        return {m_server.imapUrl(), DovecotServer::User, QStringLiteral("old")};
    }

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        if (!m_server.start())
            QSKIP(qPrintable(QStringLiteral("IMAP tests need a local dovecot: ") +
                             m_server.whyNot()));
        // Each message is seen by the server before the next arrives, so their sequence
        // numbers follow delivery, not the times in their names.
        TestMaildir mail(m_server.maildir());
        m_fresh = mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 300);
        QVERIFY(serverHasSeen(1));
        m_seen = mail.deliverCur(formSubmission(QStringLiteral("Bo <bo@example.se>")), 100,
                                 QStringLiteral("S"));
        QVERIFY(serverHasSeen(2));
        m_other = mail.deliverNew(
            ordinaryMail(QStringLiteral("Cy <cy@example.net>"), QStringLiteral("Grüße")), 200);
        QVERIFY(serverHasSeen(3));
        m_nameOnly =
            mail.deliverNew(formSubmissionNameOnly(QStringLiteral("Di <di@example.net>")), 50);
    }

    void readsInboxWithoutChangingIt()
    {
        ImapInbox inbox(m_server.imapUrl(), DovecotServer::User, DovecotServer::Password);
        QVERIFY2(inbox.signOn(), qPrintable(inbox.errorDescription()));
        inbox.fetch(false);
        QCOMPARE(inbox.count(), 4);
        QStringList senders;
        for (int i = 0; i < inbox.count(); ++i) {
            inbox.select(i);
            senders << inbox.originator();
            if (inbox.originator() == QStringLiteral("ann@example.com")) {
                QVERIFY(inbox.bodyText().contains(QStringLiteral("Form posted from")));
                QCOMPARE(inbox.attachmentCount(), 1);
                QCOMPARE(inbox.attachmentType(), int(MailInbox::DataFile));
                QCOMPARE(readBytes(inbox.attachmentPath()), formData());
            } else if (inbox.originator() == QStringLiteral("di@example.net")) {
                QCOMPARE(inbox.attachmentCount(), 1);
                QCOMPARE(readBytes(inbox.attachmentPath()), formData());
            } else if (inbox.originator() == QStringLiteral("cy@example.net")) {
                QCOMPARE(inbox.bodyText().trimmed(), QStringLiteral("Grüße"));
                QCOMPARE(inbox.attachmentCount(), 0);
            }
        }
        QCOMPARE(senders,
                 QStringList({QStringLiteral("ann@example.com"), QStringLiteral("bo@example.se"),
                              QStringLiteral("cy@example.net"), QStringLiteral("di@example.net")}));
        const QString saved = QFileInfo(inbox.attachmentPath()).absolutePath();
        QVERIFY(inbox.signOff());
        QVERIFY(!QFileInfo::exists(saved));

        // Fetched with PEEK: no message became seen.
        TestMaildir mail(m_server.maildir());
        QVERIFY(!mail.isRead(m_fresh));
        QVERIFY(!mail.isRead(m_other));
        QVERIFY(!mail.isRead(m_nameOnly));
        QVERIFY(mail.isRead(m_seen));
    }

    void unreadOnlyAndMarkingRead()
    {
        ImapInbox inbox(m_server.imapUrl(), DovecotServer::User, DovecotServer::Password);
        QVERIFY2(inbox.signOn(), qPrintable(inbox.errorDescription()));
        inbox.fetch(true);
        QCOMPARE(inbox.count(), 3);
        int marked = -1;
        for (int i = 0; i < inbox.count(); ++i) {
            inbox.select(i);
            QVERIFY(inbox.originator() != QStringLiteral("bo@example.se"));
            if (inbox.originator() == QStringLiteral("ann@example.com")) {
                inbox.markRead();
                marked = i;
            }
        }
        QVERIFY(marked >= 0);
        inbox.fetch(true);
        QCOMPARE(inbox.count(), 2);
        inbox.fetch(false);
        QCOMPARE(inbox.count(), 4);
        QVERIFY(inbox.signOff());

        TestMaildir mail(m_server.maildir());
        QVERIFY(mail.isRead(m_fresh));
        QVERIFY(!mail.isRead(m_other));
        QVERIFY(!mail.isRead(m_nameOnly));
    }

    void refusedLoginAndConnection()
    {
        ImapInbox wrong(m_server.imapUrl(), DovecotServer::User, QStringLiteral("wrong"));
        QVERIFY(!wrong.signOn());
        QCOMPARE(wrong.errorDescription(), QStringLiteral("Login refused by 127.0.0.1"));
        QVERIFY(wrong.loginRefused());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, wrong.fetch(false));

        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        ImapInbox nobody(QStringLiteral("imap://127.0.0.1:%1").arg(closedPort), DovecotServer::User,
                         DovecotServer::Password);
        QVERIFY(!nobody.signOn());
        QCOMPARE(nobody.errorDescription(),
                 QStringLiteral("Connection refused by 127.0.0.1:%1").arg(closedPort));
        QVERIFY(!nobody.loginRefused());
    }

    void profileAsksAgainWhenLoginIsRefused()
    {
        QVERIFY(oldProfile().save());
        ScriptedMailLogon logon;
        logon.answer({m_server.imapUrl(), DovecotServer::User, QStringLiteral("typo")});
        logon.answer({m_server.imapUrl(), DovecotServer::User, DovecotServer::Password});
        const auto inbox = MailInbox::fromProfile(logon);
        QVERIFY2(inbox->signOn(), qPrintable(inbox->errorDescription()));
        QCOMPARE(logon.requests().size(), 2);
        QCOMPARE(logon.requests().at(0).reason, QStringLiteral("Login refused by 127.0.0.1"));
        QCOMPARE(logon.requests().at(0).profile.password, QStringLiteral("old"));
        QCOMPARE(logon.requests().at(1).profile.password, QStringLiteral("typo"));
        inbox->fetch(false);
        QCOMPARE(inbox->count(), 4);
        QVERIFY(inbox->signOff());
        // The password that worked is kept for the next run.
        QCOMPARE(MailProfile::load().password, DovecotServer::Password);

        // Cancel ends the sign-on with the reason.
        QVERIFY(oldProfile().save());
        ScriptedMailLogon cancelling;
        const auto refused = MailInbox::fromProfile(cancelling);
        QVERIFY(!refused->signOn());
        QCOMPARE(cancelling.requests().size(), 1);
        QCOMPARE(refused->errorDescription(), QStringLiteral("Login refused by 127.0.0.1"));
        QVERIFY_THROWS_EXCEPTION(MailInboxError, refused->fetch(false));
    }

    void untrustedCertificateIsRefused()
    {
        DovecotServer secure;
        if (!secure.start(true))
            QSKIP(qPrintable(QStringLiteral("no TLS dovecot: ") + secure.whyNot()));
        ImapInbox imaps(secure.imapsUrl(), DovecotServer::User, DovecotServer::Password);
        QVERIFY(!imaps.signOn());
        QCOMPARE(imaps.errorDescription(),
                 QStringLiteral("Certificate of 127.0.0.1 is not trusted"));
        // Offered STARTTLS on the plain port is taken, and checked the same way.
        ImapInbox starttls(secure.imapUrl(), DovecotServer::User, DovecotServer::Password);
        QVERIFY(!starttls.signOn());
        QCOMPARE(starttls.errorDescription(),
                 QStringLiteral("Certificate of 127.0.0.1 is not trusted"));
    }
};

QTEST_GUILESS_MAIN(TestImapInbox)
#include "test_imap_inbox.moc"
