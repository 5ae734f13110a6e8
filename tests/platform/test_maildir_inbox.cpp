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

    // A folder without cur/ and new/ is no Maildir; one that vanishes after sign-on fails what
    // comes next.
    void missingOrVanishedFolder()
    {
        const QString folder = m_dir->filePath("nowhere");
        QVERIFY(QDir().mkpath(folder));
        MaildirInbox inbox(folder);
        QVERIFY(!inbox.signOn() && !inbox.loginRefused());
        QCOMPARE(inbox.errorDescription(), notFound(folder));
        TestMaildir(folder).deliverNew(formSubmission("A <a@x.org>"), 100);
        QVERIFY(inbox.signOn() && inbox.errorDescription().isEmpty());
        inbox.fetch(false);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox.select(0));
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox.fetch(false));
        QVERIFY(inbox.signOff());
    }

    // Listed by delivery time, then name. Marking read keeps the message's bytes and its other
    // flags, in ASCII order (S before T), and finds a message that a mail program moved from new/
    // to cur/ since the listing.
    void listingOrderAndMarkingRead()
    {
        // By name alone "1700000000..." comes first; it was delivered last.
        const QString late = m_mail->deliverNew(ordinaryMail("L <late@x.org>", {}), 1700000000);
        const QString early = m_mail->deliverCur(ordinaryMail("E <early@x.org>", {}), 999999999, "T");
        const QString a = m_mail->deliverNew(ordinaryMail("A <a@x.org>", {}), 1500000000);
        m_mail->deliverCur(ordinaryMail("B <b@x.org>", {}), 1500000000, {});
        // A name without a delivery time is dated by its file.
        writeBytes(m_dir->filePath("new/handmade"), ordinaryMail("H <hand@x.org>", {}));
        const QByteArray aBytes = readBytes(m_mail->pathOf(a));
        QVERIFY(open(true));
        QVERIFY(QDir().rename(m_mail->pathOf(late), m_dir->filePath("cur/" + late + ":2,")));
        QStringList senders;
        for (int i = 0; i < m_inbox->count(); ++i) {
            senders << originatorOf(i);
            m_inbox->markRead();
        }
        QCOMPARE(senders, QStringList({"early@x.org", "a@x.org", "b@x.org", "late@x.org", "hand@x.org"}));
        QCOMPARE(QStringList({m_mail->stateOf(early), m_mail->stateOf(a), m_mail->stateOf(late)}), QStringList({"ST", "S", "S"}));
        QCOMPARE(readBytes(m_mail->pathOf(a)), aBytes);
        m_inbox->fetch(true);
        QCOMPARE(m_inbox->count(), 0);
        QVERIFY(m_inbox->signOff());
    }

    // The sender is taken from From, else from Sender; an address without a domain stays so,
    // never completed with this machine's name. Mail a program sent is told by its headers or
    // its sender. Headers in a charset that no converter knows are read without converting into
    // it: read again and again, as an unread message is at every timed run, they cost no memory
    // for good (the sanitizer build's leak checker is asked after the loop).
    void sendersAndAutomaticMailAsWritten()
    {
        const std::tuple<const char*, const char*, bool> cases[]{
            {"Sender: Sam <sam@example.org>", "sam@example.org", false}, {"From: eve", "eve", false},
            {"From: \"eve@example.com\" <eve>", "eve", false}, {"From: Eve\r\n <eve@example.net>", "eve@example.net", false},
            {"From: a@x.org\r\nAuto-Submitted: No", "a@x.org", false},
            {"From: a@x.org\r\nAuto-Submitted: auto-generated; type=x", "a@x.org", true},
            {"From: a@x.org\r\nPrecedence: Bulk", "a@x.org", true},
            {"From: a@x.org\r\nPrecedence: first-class", "a@x.org", false},
            {"From: a@x.org\r\nList-Id: <forms.x.org>", "a@x.org", true},
            {"From: <Postmaster@x.org>", "Postmaster@x.org", true}, {"From: noreply@x.org", "noreply@x.org", true},
            {"From: noreply.ann@x.org", "noreply.ann@x.org", false}, // "reply" within a longer name
            {"From:=?UTG-8?B?w6k=?=-", "\u00e9", false},
            {"From: =?UTG-8?B?w6k=?=@example.com", "@example.com", false}, // only the domain is pinned
            {"From: =?UTG-8?B?w6k=?= <ann@example.com>", "ann@example.com", false},
            {"From: <ann@example.com>\r\nAuto-Submitted: =?UTG-8?B?w6k=?=", "ann@example.com", true},
            {"From: <ann@example.com>\r\nPrecedence: =?UTG-8?Q?bulk?=", "ann@example.com", true}};
        for (int i = 0; i < int(std::size(cases)); ++i)
            m_mail->deliverNew(QByteArray(std::get<0>(cases[i])) + "\r\nSubject: x\r\n\r\nHello\r\n", 100 + i);
        for (int round = 0; round < 50; ++round) {
            QVERIFY(open(true));
            for (int i = 0; i < int(std::size(cases)); ++i) {
                const auto& [header, sender, automatic] = cases[i];
                const QString read = originatorOf(i), expected = QString::fromUtf8(sender);
                QVERIFY2(expected.startsWith('@') ? read.endsWith(expected) : read == expected, qPrintable(read));
                QVERIFY2(m_inbox->isAutomatic() == automatic, header);
                QCOMPARE(m_inbox->bodyText().trimmed(), QStringLiteral("Hello")); // no header broke the body
            }
            QVERIFY(m_inbox->signOff());
        }
#if BREVANE_LEAK_CHECK
        QCOMPARE(__lsan_do_recoverable_leak_check(), 0);
#endif
    }

    void savedAttachmentIsPrivateAndGoesAtSignOff()
    {
        m_mail->deliverNew(formSubmission("A <a@x.org>"), 100);
        m_mail->deliverNew(formSubmission("B <b@x.org>"), 101);
        QVERIFY(open());
        m_inbox->select(0);
        const QString first = m_inbox->attachmentPath();
        const QFileInfo folder(QFileInfo(first).absolutePath());
        QCOMPARE(int(folder.permissions()) & 0x0077, 0); // nobody else may read it
        m_inbox->select(1);
        const QString second = m_inbox->attachmentPath();
        QVERIFY(QFileInfo::exists(second) && !QFileInfo::exists(first)); // one attachment in hand at a time
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
        QCOMPARE(logon.requests().at(0).reason + '|' + logon.requests().at(1).reason,
                 notFound(homeMaildir()) + '|' + notFound(m_home.filePath("Mail/gone")));
        QCOMPARE(m_kept, (QList<MailProfile>{{"~/Mail/forms", "u", "p"}}));
        logon.cancel();
        QCOMPARE(signOnFailure(logon, {}), notFound(homeMaildir()));
        QCOMPARE(m_kept.size(), 1);
    }

};

QTEST_MAIN(TestMaildirInbox)
#include "test_maildir_inbox.moc"
