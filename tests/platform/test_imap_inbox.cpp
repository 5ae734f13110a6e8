#include "DovecotServer.h"
#include "MailSamples.h"
#include "ScriptedMailLogon.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/mail/ImapInbox.h"
#include "platform/mail/MailInboxError.h"
#include "platform/mail/MailProfile.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailSamples;
using namespace Qt::StringLiterals;

class TestImapInbox : public QObject
{
    Q_OBJECT

    DovecotServer m_server;
    QTemporaryDir m_config;
    QString m_fresh, m_seen, m_other, m_nameOnly;

    std::unique_ptr<ImapInbox> inbox(const QString& password = DovecotServer::Password)
    {
        return std::make_unique<ImapInbox>(m_server.imapUrl(), DovecotServer::User, password);
    }
    bool serverHasSeen(int messages)
    {
        const auto in = inbox();
        if (!in->signOn())
            return false;
        in->fetch(false);
        return in->count() == messages && in->signOff();
    }
    // Read flags as the server keeps them: fresh, other, name-only.
    QList<bool> readFlags() const
    {
        TestMaildir mail(m_server.maildir());
        return {mail.isRead(m_fresh), mail.isRead(m_other), mail.isRead(m_nameOnly)};
    }

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        if (!m_server.start())
            QSKIP(qPrintable(u"IMAP tests need a local dovecot: "_s + m_server.whyNot()));
        // Each message is seen by the server before the next arrives, so their sequence
        // numbers follow delivery, not the times in their names.
        TestMaildir mail(m_server.maildir());
        m_fresh = mail.deliverNew(formSubmission(u"Ann Lee <ann@example.com>"_s), 300);
        QVERIFY(serverHasSeen(1));
        m_seen = mail.deliverCur(formSubmission(u"Bo <bo@example.se>"_s), 100, u"S"_s);
        QVERIFY(serverHasSeen(2));
        m_other = mail.deliverNew(ordinaryMail(u"Cy <cy@example.net>"_s, u"Grüße"_s), 200);
        QVERIFY(serverHasSeen(3));
        m_nameOnly = mail.deliverNew(formSubmissionNameOnly(u"Di <di@example.net>"_s), 50);
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
            read << u"%1 %2 %3 %4"_s.arg(in->originator(), in->bodyText().trimmed().left(16))
                        .arg(in->attachmentCount())
                        .arg(QLatin1String(path.isEmpty()                  ? "-"
                                           : readBytes(path) == formData() ? "form"
                                                                           : "?"));
        }
        QCOMPARE(read,
                 (QStringList{"ann@example.com Form posted from 1 form",
                              "bo@example.se Form posted from 1 form", "cy@example.net Grüße 0 -",
                              "di@example.net Form posted from 1 form"}));
        QCOMPARE(in->attachmentType(), int(MailInbox::DataFile));
        const QString saved = QFileInfo(in->attachmentPath()).absolutePath();
        QVERIFY(in->signOff());
        QVERIFY(!QFileInfo::exists(saved));

        // Fetched with PEEK: no message became seen.
        QCOMPARE(readFlags(), (QList<bool>{false, false, false}));
        QVERIFY(TestMaildir(m_server.maildir()).isRead(m_seen));
    }

    void unreadOnlyAndMarkingRead()
    {
        const auto in = inbox();
        QVERIFY2(in->signOn(), qPrintable(in->errorDescription()));
        in->fetch(true);
        QCOMPARE(in->count(), 3);
        for (int i = 0; i < in->count(); ++i) {
            in->select(i);
            QVERIFY(in->originator() != u"bo@example.se"_s);
            if (in->originator() == u"ann@example.com"_s)
                in->markRead();
        }
        in->fetch(true);
        QCOMPARE(in->count(), 2);
        in->fetch(false);
        QCOMPARE(in->count(), 4);
        QVERIFY(in->signOff());
        QCOMPARE(readFlags(), (QList<bool>{true, false, false}));
    }

    void refusedLoginAndConnection()
    {
        const auto wrong = inbox(u"wrong"_s);
        QVERIFY(!wrong->signOn());
        QCOMPARE(wrong->errorDescription(), u"Login refused by 127.0.0.1"_s);
        QVERIFY(wrong->loginRefused());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, wrong->fetch(false));

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        ImapInbox nobody(u"imap://127.0.0.1:%1"_s.arg(closedPort), DovecotServer::User,
                         DovecotServer::Password);
        QVERIFY(!nobody.signOn());
        QCOMPARE(nobody.errorDescription(),
                 u"Connection refused by 127.0.0.1:%1"_s.arg(closedPort));
        QVERIFY(!nobody.loginRefused());
    }

    void profileAsksAgainWhenLoginIsRefused()
    {
        const MailProfile old{m_server.imapUrl(), DovecotServer::User, u"old"_s};
        QVERIFY(old.save());
        ScriptedMailLogon logon;
        logon.answer({m_server.imapUrl(), DovecotServer::User, u"typo"_s});
        logon.answer({m_server.imapUrl(), DovecotServer::User, DovecotServer::Password});
        const auto in = MailInbox::fromProfile(logon);
        QVERIFY2(in->signOn(), qPrintable(in->errorDescription()));
        QCOMPARE(logon.requests().size(), 2);
        QCOMPARE(logon.requests().at(0).reason, u"Login refused by 127.0.0.1"_s);
        QCOMPARE(logon.requests().at(0).profile.password, u"old"_s);
        QCOMPARE(logon.requests().at(1).profile.password, u"typo"_s);
        QVERIFY(in->signOff());
        // The password that worked is kept for the next run.
        QCOMPARE(MailProfile::load().password, DovecotServer::Password);
    }
};

QTEST_GUILESS_MAIN(TestImapInbox)
#include "test_imap_inbox.moc"
