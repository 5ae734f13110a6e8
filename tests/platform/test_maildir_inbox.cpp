#include "MailSamples.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/mail/MailInboxError.h"
#include "platform/mail/MaildirInbox.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailSamples;
using namespace Qt::StringLiterals;

namespace {
// The note in an HTML body with an embedded picture (multipart/related, Content-ID).
QByteArray embeddedObject(const QString& sender)
{
    const QString related = QStringLiteral("----=_Related_0002");
    const QByteArray pixel =
        QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");
    return header(sender, QStringLiteral("multipart/related; boundary=\"%1\"").arg(related)) +
           "\r\n--" + related.toUtf8() + "\r\n" +
           lines({QStringLiteral("Content-Type: text/html; charset=us-ascii"), QString(),
                  QStringLiteral("<p>Form posted from Mozilla</p><img src=\"cid:logo@x\">")}) +
           "--" + related.toUtf8() + "\r\n" +
           lines({QStringLiteral("Content-Type: image/gif"),
                  QStringLiteral("Content-Transfer-Encoding: base64"),
                  QStringLiteral("Content-ID: <logo@x>"), QString(),
                  QString::fromLatin1(pixel.toBase64())}) +
           "--" + related.toUtf8() + "--\r\n";
}
} // namespace

class TestMaildirInbox : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestMaildir> m_mail;
    std::unique_ptr<MaildirInbox> m_inbox;

    // Signs on and fetches, all messages or the unread ones.
    bool open(bool unreadOnly = false)
    {
        if (!m_inbox)
            m_inbox = std::make_unique<MaildirInbox>(m_dir.path());
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

private slots:
    void init()
    {
        m_inbox.reset();
        QDir(m_dir.path()).removeRecursively();
        m_mail = std::make_unique<TestMaildir>(m_dir.path());
    }

    void missingFolderFailsSignOnWithItsName()
    {
        const QString folder = m_dir.filePath(u"nowhere"_s);
        MaildirInbox inbox(folder);
        QVERIFY(!inbox.signOn());
        QCOMPARE(inbox.errorDescription(), u"Mail folder %1 not found"_s.arg(folder));
        QVERIFY(!inbox.loginRefused());

        // A folder without cur/ and new/ is no Maildir either.
        QDir().mkpath(folder);
        QVERIFY(!inbox.signOn());
        TestMaildir made(folder);
        QVERIFY(inbox.signOn());
        QVERIFY(inbox.errorDescription().isEmpty());
    }

    void readsEachKindOfMessage_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("originator");
        QTest::addColumn<QString>("bodyHas"); // empty: no plain-text part at all
        QTest::addColumn<int>("attachments");
        QTest::addColumn<int>("type");         // -1: not checked
        QTest::addColumn<QByteArray>("saved"); // empty: not checked
        const int data = MailInbox::DataFile, embedded = MailInbox::EmbeddedObject;
        const QByteArray other = formData(u"Bo Ek"_s);
        // clang-format off
        QTest::newRow("form submission") << formSubmission(u"Ann Lee <ann@example.com>"_s)
            << "ann@example.com" << "Form posted from Mozilla" << 1 << data << formData();
        QTest::newRow("only a name in the Content-Type")
            << formSubmissionNameOnly(u"Bo Ek <bo@example.se>"_s, other) << "bo@example.se"
            << "Form posted from" << 1 << data << other;
        QTest::newRow("two attachments") << twoAttachments(u"Cy <cy@example.net>"_s)
            << "cy@example.net" << "Form posted from" << 2 << -1 << QByteArray();
        QTest::newRow("attached message") << attachedMessage(u"Di <di@example.net>"_s)
            << "di@example.net" << "Form posted from" << 1 << embedded << QByteArray();
        QTest::newRow("embedded object") << embeddedObject(u"Ed <ed@example.net>"_s)
            << "ed@example.net" << "" << 1 << embedded << QByteArray();
        QTest::newRow("lower-case marker") << lowerCaseMarker(u"Flo <flo@example.net>"_s)
            << "flo@example.net" << "form posted from" << 1 << data << formData();
        QTest::newRow("ordinary mail")
            << ordinaryMail(u"Gus <gus@example.net>"_s, u"Grüße aus Köln = 1"_s)
            << "gus@example.net" << "Grüße aus Köln = 1" << 0 << -1 << QByteArray();
        // clang-format on
    }
    void readsEachKindOfMessage()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, bodyHas);
        QFETCH(int, type);
        QFETCH(QByteArray, saved);
        m_mail->deliverNew(message, 1000);
        QVERIFY(open());
        QCOMPARE(m_inbox->count(), 1);
        QTEST(originatorOf(0), "originator");
        if (bodyHas.isEmpty())
            QVERIFY(m_inbox->bodyText().isEmpty());
        else
            QVERIFY2(m_inbox->bodyText().contains(bodyHas), qPrintable(m_inbox->bodyText()));
        QTEST(m_inbox->attachmentCount(), "attachments");
        if (type != -1)
            QCOMPARE(m_inbox->attachmentType(), type);
        if (!saved.isEmpty())
            QCOMPARE(readBytes(m_inbox->attachmentPath()), saved);
        else if (m_inbox->attachmentCount() == 0)
            QVERIFY(m_inbox->attachmentPath().isEmpty());
        QVERIFY(m_inbox->signOff());
    }

    void automaticMailIsRecognised_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("extraHeader"); // put before the message's own headers
        QTest::addColumn<bool>("automatic");
        QTest::newRow("a person") << "Ann <ann@x.org>" << "" << false;
        QTest::newRow("submitted by hand") << "Ann <ann@x.org>" << "Auto-Submitted: No" << false;
        QTest::newRow("auto-replied") << "Ann <ann@x.org>" << "Auto-Submitted: auto-replied" << true;
        QTest::newRow("auto-generated; params")
            << "Ann <ann@x.org>" << "Auto-Submitted: auto-generated; type=x" << true;
        QTest::newRow("bulk") << "Ann <ann@x.org>" << "Precedence: Bulk" << true;
        QTest::newRow("junk") << "Ann <ann@x.org>" << "Precedence: junk" << true;
        QTest::newRow("list precedence") << "Ann <ann@x.org>" << "Precedence: list" << true;
        QTest::newRow("first-class") << "Ann <ann@x.org>" << "Precedence: first-class" << false;
        QTest::newRow("list") << "Ann <ann@x.org>" << "List-Id: <forms.x.org>" << true;
        QTest::newRow("bounce") << "Mail Delivery <MAILER-DAEMON@x.org>" << "" << true;
        QTest::newRow("postmaster") << "<Postmaster@x.org>" << "" << true;
        QTest::newRow("noreply") << "Shop <noreply@shop.example>" << "" << true;
        QTest::newRow("no-reply") << "Shop <No-Reply@shop.example>" << "" << true;
        QTest::newRow("reply in a longer name") << "Rep <noreply.ann@x.org>" << "" << false;
    }
    void automaticMailIsRecognised()
    {
        QFETCH(QString, sender);
        QFETCH(QString, extraHeader);
        QByteArray message = formSubmission(sender);
        if (!extraHeader.isEmpty())
            message.prepend(extraHeader.toUtf8() + "\r\n");
        m_mail->deliverNew(message, 100);
        QVERIFY(open());
        m_inbox->select(0);
        QTEST(m_inbox->isAutomatic(), "automatic");
        QVERIFY(m_inbox->bodyText().contains(u"Form posted from"_s));
    }

    void ordersByDeliveryTimeThenName()
    {
        // By name alone "1700000000..." comes first; it was delivered last.
        m_mail->deliverNew(ordinaryMail(u"L <late@x.org>"_s, {}), 1700000000);
        m_mail->deliverCur(ordinaryMail(u"E <early@x.org>"_s, {}), 999999999, u"S"_s);
        m_mail->deliverNew(ordinaryMail(u"A <a@x.org>"_s, {}), 1500000000);
        m_mail->deliverCur(ordinaryMail(u"B <b@x.org>"_s, {}), 1500000000, {});
        // A name without a delivery time is dated by its file.
        writeBytes(m_dir.filePath(u"new/handmade"_s), ordinaryMail(u"H <hand@x.org>"_s, {}));
        QVERIFY(open());
        QStringList senders;
        for (int i = 0; i < m_inbox->count(); ++i)
            senders << originatorOf(i);
        QCOMPARE(senders,
                 QStringList({"early@x.org", "a@x.org", "b@x.org", "late@x.org", "hand@x.org"}));
    }

    void unreadOnlyAndMarkingRead()
    {
        const QString fresh = m_mail->deliverNew(formSubmission(u"A <a@x.org>"_s), 100);
        const QString seen = m_mail->deliverCur(formSubmission(u"B <b@x.org>"_s), 101, u"S"_s);
        // Flags are kept in ASCII order, S before T.
        const QString flagged = m_mail->deliverCur(formSubmission(u"C <c@x.org>"_s), 102, u"T"_s);
        const QString other = m_mail->deliverNew(ordinaryMail(u"D <d@x.org>"_s, u"Hi"_s), 103);
        const QByteArray freshBytes = readBytes(m_mail->pathOf(fresh));

        QVERIFY(open(true));
        QCOMPARE(m_inbox->count(), 3);
        for (int i = 0; i < 3; ++i) {
            m_inbox->select(i);
            m_inbox->bodyText();
            m_inbox->attachmentPath();
        }
        // Reading changed nothing.
        QCOMPARE(m_mail->stateOf(fresh), u"new"_s);
        QCOMPARE(m_mail->stateOf(flagged), u"T"_s);

        QCOMPARE(originatorOf(0), u"a@x.org"_s);
        m_inbox->markRead();
        QCOMPARE(originatorOf(1), u"c@x.org"_s);
        m_inbox->markRead();

        QCOMPARE(m_mail->stateOf(fresh), u"S"_s);
        QCOMPARE(m_mail->stateOf(flagged), u"ST"_s);
        QCOMPARE(m_mail->stateOf(seen), u"S"_s);
        QCOMPARE(m_mail->stateOf(other), u"new"_s);
        QCOMPARE(readBytes(m_mail->pathOf(fresh)), freshBytes);

        m_inbox->fetch(true);
        QCOMPARE(m_inbox->count(), 1);
        QCOMPARE(originatorOf(0), u"d@x.org"_s);
        m_inbox->fetch(false);
        QCOMPARE(m_inbox->count(), 4);
        QVERIFY(m_inbox->signOff());
    }

    void messageMovedByAnotherProgramIsStillFound()
    {
        const QString unique = m_mail->deliverNew(formSubmission(u"A <a@x.org>"_s), 100);
        QVERIFY(open(true));
        // A mail program notices the message: new/ to cur/, still unread.
        QVERIFY(QDir().rename(m_mail->pathOf(unique), m_dir.filePath("cur/" + unique + ":2,")));
        QCOMPARE(originatorOf(0), u"a@x.org"_s);
        m_inbox->markRead();
        QCOMPARE(m_mail->stateOf(unique), u"S"_s);
    }

    void savedAttachmentIsPrivateAndGoesAtSignOff()
    {
        m_mail->deliverNew(formSubmission(u"A <a@x.org>"_s), 100);
        m_mail->deliverNew(formSubmission(u"B <b@x.org>"_s), 101);
        QVERIFY(open());
        m_inbox->select(0);
        QString first = m_inbox->attachmentPath();
        // Never the attachment's own name (POSTDATA.ATT).
        QVERIFY(!first.contains(u"POSTDATA"_s, Qt::CaseInsensitive));
        const QFileInfo folder(QFileInfo(first).absolutePath());
        QCOMPARE(folder.permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::Permissions());
        QVERIFY(!folder.absoluteFilePath().startsWith(m_dir.path()));
        m_inbox->select(1);
        const QString second = m_inbox->attachmentPath();
        QVERIFY(second != first);
        QVERIFY(!QFileInfo::exists(first)); // one attachment in hand at a time
        QVERIFY(m_inbox->signOff());
        QVERIFY(!QFileInfo::exists(QFileInfo(second).absolutePath()));

        // Nothing was written into the Maildir.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
    }

    void vanishedFolderThrowsAfterSignOn()
    {
        m_mail->deliverNew(formSubmission(u"A <a@x.org>"_s), 100);
        QVERIFY(open());
        QVERIFY(QDir(m_dir.path()).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, m_inbox->select(0));
        QVERIFY_THROWS_EXCEPTION(MailInboxError, m_inbox->fetch(false));
        QVERIFY(m_inbox->signOff());
    }
};

QTEST_GUILESS_MAIN(TestMaildirInbox)
#include "test_maildir_inbox.moc"
