// The Maildir inbox over real Maildir folders, and the mail account that picks the inbox. What
// each kind of message reads as is pinned by the runs over them.
#include "ScriptedMailLogon.h"
#include "TestSupport.h"
#include "platform/mail/MailInboxError.h"
#include "platform/mail/MailProfile.h"
#include "platform/mail/MaildirInbox.h"

using namespace MailSamples;

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define BREVANE_LEAK_CHECK 1
#endif

namespace {
QString notFound(const QString& folder)
{
    return "Mail folder " + folder + " not found";
}
} // namespace

class TestMaildirInbox : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestMaildir> m_mail;
    std::unique_ptr<MaildirInbox> m_inbox;

    // Signs on and fetches, all messages or the unread ones.
    bool open(bool unreadOnly = false)
    {
        m_inbox = std::make_unique<MaildirInbox>(m_dir->path());
        if (!m_inbox->signOn())
            return false;
        m_inbox->fetch(unreadOnly);
        return true;
    }
    QString originatorOf(int i)
    {
        m_inbox->select(i);
        return m_inbox->originator();
    }
    QString homeMaildir() const { return m_home.filePath("Maildir"); }
    QList<MailProfile> m_kept;
    QString signOnFailure(MailLogon& logon, const MailProfile& account)
    {
        const auto inbox = MailInbox::forAccount(logon, account, [this](const MailProfile& given) { m_kept << given; });
        return inbox->signOn() ? QString() : inbox->errorDescription();
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", QFile::encodeName(m_home.path()));
        userSettingsFolder();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_mail = std::make_unique<TestMaildir>(m_dir->path());
    }

    // A folder without cur/ and new/ is no Maildir either; one that vanishes after sign-on
    // fails what comes next.
    void missingOrVanishedFolder()
    {
        const QString folder = m_dir->filePath("nowhere");
        MaildirInbox inbox(folder);
        for (int i = 0; i < 2; ++i) { // no folder, then one without cur/ and new/
            QVERIFY(!inbox.signOn() && !inbox.loginRefused());
            QCOMPARE(inbox.errorDescription(), notFound(folder));
            QDir().mkpath(folder);
        }
        TestMaildir(folder).deliverNew(formSubmission("A <a@x.org>"), 100);
        QVERIFY(inbox.signOn() && inbox.errorDescription().isEmpty());
        inbox.fetch(false);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox.select(0));
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox.fetch(false));
        QVERIFY(inbox.signOff());
    }

    void ordersByDeliveryTimeThenName()
    {
        // By name alone "1700000000..." comes first; it was delivered last.
        m_mail->deliverNew(ordinaryMail("L <late@x.org>", {}), 1700000000);
        m_mail->deliverCur(ordinaryMail("E <early@x.org>", {}), 999999999, "S");
        m_mail->deliverNew(ordinaryMail("A <a@x.org>", {}), 1500000000);
        m_mail->deliverCur(ordinaryMail("B <b@x.org>", {}), 1500000000, {});
        // A name without a delivery time is dated by its file.
        writeBytes(m_dir->filePath("new/handmade"), ordinaryMail("H <hand@x.org>", {}));
        QVERIFY(open());
        QStringList senders;
        for (int i = 0; i < m_inbox->count(); ++i)
            senders << originatorOf(i);
        QCOMPARE(senders, QStringList({"early@x.org", "a@x.org", "b@x.org", "late@x.org", "hand@x.org"}));
        QVERIFY_THROWS_EXCEPTION(MailInboxError, m_inbox->select(5));
    }

    // The sender is taken from From, else from Sender; an address without a domain stays so,
    // never completed with this machine's name.
    void senderAsWritten()
    {
        const std::pair<const char*, const char*> cases[]{
            {"From: Ann Lee <ann@example.com>\r\n", "ann@example.com"},
            {"Sender: Sam <sam@example.org>\r\n", "sam@example.org"},
            {"From: Eve <eve>\r\n", "eve"},
            {"From: eve\r\n", "eve"},
            {"From: \"eve@example.com\" <eve>\r\n", "eve"},
            {"From: Eve\r\n <eve@example.net>\r\n", "eve@example.net"},
            {"", ""}};
        for (int i = 0; i < int(std::size(cases)); ++i)
            m_mail->deliverNew(QByteArray(cases[i].first) + "Subject: x\r\n\r\nHello\r\n", 100 + i);
        QVERIFY(open());
        for (int i = 0; i < int(std::size(cases)); ++i)
            QCOMPARE(originatorOf(i), QString::fromLatin1(cases[i].second));
    }

    // Mail sent by a program is told from mail a person sent, by its headers or its sender.
    void automaticMailIsRecognised()
    {
        const std::tuple<const char*, const char*, bool> cases[]{
            {"Ann <ann@x.org>", "", false},
            {"Ann <ann@x.org>", "Auto-Submitted: No", false},
            {"Ann <ann@x.org>", "Auto-Submitted: auto-replied", true},
            {"Ann <ann@x.org>", "Auto-Submitted: auto-generated; type=x", true},
            {"Ann <ann@x.org>", "Precedence: Bulk", true},
            {"Ann <ann@x.org>", "Precedence: junk", true},
            {"Ann <ann@x.org>", "Precedence: list", true},
            {"Ann <ann@x.org>", "Precedence: first-class", false},
            {"Ann <ann@x.org>", "List-Id: <forms.x.org>", true},
            {"Mail Delivery <MAILER-DAEMON@x.org>", "", true},
            {"<Postmaster@x.org>", "", true},
            {"Shop <noreply@shop.example>", "", true},
            {"Shop <No-Reply@shop.example>", "", true},
            {"Rep <noreply.ann@x.org>", "", false}}; // "reply" within a longer name
        for (int i = 0; i < int(std::size(cases)); ++i) {
            const auto& [sender, header, automatic] = cases[i];
            const QByteArray extra = *header ? QByteArray(header) + "\r\n" : QByteArray();
            m_mail->deliverNew(extra + formSubmission(sender), 100 + i);
        }
        QVERIFY(open());
        for (int i = 0; i < int(std::size(cases)); ++i) {
            const auto& [sender, header, automatic] = cases[i];
            m_inbox->select(i);
            QVERIFY2(m_inbox->isAutomatic() == automatic, *header ? header : sender);
            QVERIFY(m_inbox->bodyText().contains("Form posted from")); // the extra header broke nothing
        }
    }

    // Headers in a charset that no converter knows are read without converting into it: read
    // again and again, as an unread message is at every timed run, they cost no memory for
    // good (the sanitizer build's leak checker is asked after the loop).
    void unknownCharsetReadAgainAndAgain()
    {
        const std::tuple<const char*, const char*, bool> cases[]{
            {"From:=?UTG-8?B?w6k=?=-", "\u00e9", false},
            {"From: =?UTG-8?B?w6k=?=@example.com", "@example.com", false},
            {"From: =?UTG-8?B?w6k=?= <ann@example.com>", "ann@example.com", false},
            {"From: <ann@example.com>\r\nAuto-Submitted: =?UTG-8?B?w6k=?=", "ann@example.com", true},
            {"From: <ann@example.com>\r\nPrecedence: =?UTG-8?Q?bulk?=", "ann@example.com", true}};
        for (int i = 0; i < int(std::size(cases)); ++i)
            m_mail->deliverNew(QByteArray(std::get<0>(cases[i])) + "\r\nSubject: x\r\n\r\nHello\r\n", 100 + i);
        for (int round = 0; round < 50; ++round) {
            QVERIFY(open(true));
            for (int i = 0; i < int(std::size(cases)); ++i) {
                const auto& [header, sender, automatic] = cases[i];
                QVERIFY2(originatorOf(i).endsWith(QString::fromUtf8(sender)), header);
                QVERIFY2(m_inbox->isAutomatic() == automatic, header);
            }
            QVERIFY(m_inbox->signOff());
        }
#if BREVANE_LEAK_CHECK
        QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
    }

    void unreadOnlyAndMarkingRead()
    {
        const QString fresh = m_mail->deliverNew(formSubmission("A <a@x.org>"), 100);
        const QString seen = m_mail->deliverCur(formSubmission("B <b@x.org>"), 101, "S");
        // Flags are kept in ASCII order, S before T.
        const QString trashed = m_mail->deliverCur(formSubmission("C <c@x.org>"), 102, "T");
        const QString other = m_mail->deliverNew(ordinaryMail("D <d@x.org>", "Hi"), 103);
        const QByteArray freshBytes = readBytes(m_mail->pathOf(fresh));
        QVERIFY(open(true));
        QCOMPARE(m_inbox->count(), 3);
        for (int i = 0; i < 3; ++i) {
            m_inbox->select(i);
            m_inbox->attachmentPath();
        }
        QCOMPARE(m_mail->stateOf(fresh), QStringLiteral("new")); // reading changed nothing
        QCOMPARE(originatorOf(0), QStringLiteral("a@x.org"));
        m_inbox->markRead();
        QCOMPARE(originatorOf(1), QStringLiteral("c@x.org"));
        m_inbox->markRead();
        QCOMPARE(QStringList({m_mail->stateOf(fresh), m_mail->stateOf(trashed), m_mail->stateOf(seen),
                              m_mail->stateOf(other)}),
                 QStringList({"S", "ST", "S", "new"}));
        QCOMPARE(readBytes(m_mail->pathOf(fresh)), freshBytes);
        m_inbox->fetch(true);
        QCOMPARE(m_inbox->count(), 1);
        // A mail program notices the message meanwhile: new/ to cur/, still unread.
        QVERIFY(QDir().rename(m_mail->pathOf(other), m_dir->filePath("cur/" + other + ":2,")));
        QCOMPARE(originatorOf(0), QStringLiteral("d@x.org"));
        m_inbox->markRead();
        QCOMPARE(m_mail->stateOf(other), QStringLiteral("S"));
        QVERIFY(m_inbox->signOff());
    }

    void savedAttachmentIsPrivateAndGoesAtSignOff()
    {
        m_mail->deliverNew(formSubmission("A <a@x.org>"), 100);
        m_mail->deliverNew(formSubmission("B <b@x.org>"), 101);
        QVERIFY(open());
        m_inbox->select(0);
        const QString first = m_inbox->attachmentPath();
        QVERIFY(!first.contains("POSTDATA", Qt::CaseInsensitive)); // never the attachment's own name
        const QFileInfo folder(QFileInfo(first).absolutePath());
        QCOMPARE(int(folder.permissions()) & 0x0077, 0); // nobody else may read it
        QVERIFY(!folder.absoluteFilePath().startsWith(m_dir->path()));
        m_inbox->select(1);
        const QString second = m_inbox->attachmentPath();
        QVERIFY(second != first);
        QVERIFY(!QFileInfo::exists(first)); // one attachment in hand at a time
        QVERIFY(m_inbox->signOff());
        QVERIFY(!QFileInfo::exists(QFileInfo(second).absolutePath()));
        // Nothing was written into the Maildir.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
    }

    // The account names the inbox. Without one the home Maildir is read, and when there is none
    // either the logon is asked; what signs on is kept.
    void accountPicksTheInbox()
    {
        ScriptedMailLogon logon;
        QCOMPARE(signOnFailure(logon, {m_home.filePath("gone"), {}, {}}), notFound(m_home.filePath("gone")));
        TestMaildir(m_home.filePath("Mail/forms")).deliverNew(formData(), 100);
        QCOMPARE(signOnFailure(logon, {"~/Mail/forms", {}, {}}), QString()); // a home folder with a tilde
        TestMaildir home(homeMaildir());
        QCOMPARE(signOnFailure(logon, {}), QString());
        QVERIFY(logon.requests().isEmpty() && m_kept.isEmpty()); // nothing asked, nothing kept
        QDir(homeMaildir()).removeRecursively();
        logon.answer({"~/Mail/gone", "u", "p"});
        logon.answer({"~/Mail/forms", "u", "p"});
        QCOMPARE(signOnFailure(logon, {}), QString());
        QCOMPARE(logon.requests().size(), 2);
        QCOMPARE(logon.requests().at(0).reason, notFound(homeMaildir()));
        QVERIFY(logon.requests().at(0).profile.isEmpty());
        QCOMPARE(logon.requests().at(1).reason, notFound(m_home.filePath("Mail/gone")));
        QCOMPARE(m_kept, (QList<MailProfile>{{"~/Mail/forms", "u", "p"}}));
        logon.cancel();
        QCOMPARE(signOnFailure(logon, {}), notFound(homeMaildir()));
        QCOMPARE(m_kept.size(), 1);
    }

};

QTEST_MAIN(TestMaildirInbox)
#include "test_maildir_inbox.moc"
