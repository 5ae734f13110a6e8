#include "MailSamples.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/MailInboxError.h"
#include "platform/MaildirInbox.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace MailSamples;

class TestMaildirInbox : public QObject
{
    Q_OBJECT

private:
    struct Read
    {
        QString originator;
        QString body;
        int attachments = 0;
        int type = -1;
        QByteArray saved;
    };

    // Everything the run reads of message i, in the run's order.
    static Read readMessage(MailInbox& inbox, int i)
    {
        inbox.select(i);
        Read r{inbox.originator(),
               inbox.bodyText(),
               inbox.attachmentCount(),
               inbox.attachmentType(),
               {}};
        const QString path = inbox.attachmentPath();
        if (!path.isEmpty())
            r.saved = readBytes(path);
        return r;
    }

private slots:
    void missingFolderFailsSignOnWithItsName()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("nowhere"));
        MaildirInbox inbox(folder);
        QVERIFY(!inbox.signOn());
        QCOMPARE(inbox.errorDescription(), QStringLiteral("Mail folder %1 not found").arg(folder));
        QVERIFY(!inbox.loginRefused());

        // A folder without cur/ and new/ is no Maildir either.
        QDir().mkpath(folder);
        QVERIFY(!inbox.signOn());
        TestMaildir made(folder);
        QVERIFY(inbox.signOn());
        QVERIFY(inbox.errorDescription().isEmpty());
    }

    void readsEachKindOfMessage()
    {
        QTemporaryDir dir;
        TestMaildir mail(dir.path());
        const QByteArray otherData = formData(QStringLiteral("Bo Ek"));
        mail.deliverNew(formSubmission(QStringLiteral("Ann Lee <ann@example.com>")), 1000);
        mail.deliverNew(formSubmissionNameOnly(QStringLiteral("Bo Ek <bo@example.se>"), otherData),
                        1001);
        mail.deliverNew(twoAttachments(QStringLiteral("Cy <cy@example.net>")), 1002);
        mail.deliverNew(attachedMessage(QStringLiteral("Di <di@example.net>")), 1003);
        mail.deliverNew(embeddedObject(QStringLiteral("Ed <ed@example.net>")), 1004);
        mail.deliverNew(lowerCaseMarker(QStringLiteral("Flo <flo@example.net>")), 1005);
        mail.deliverNew(ordinaryMail(QStringLiteral("Gus <gus@example.net>"),
                                     QStringLiteral("Grüße aus Köln = 1")),
                        1006);

        MaildirInbox inbox(dir.path());
        QVERIFY(inbox.signOn());
        inbox.fetch(false);
        QCOMPARE(inbox.count(), 7);

        const Read ann = readMessage(inbox, 0);
        QCOMPARE(ann.originator, QStringLiteral("ann@example.com"));
        QVERIFY(ann.body.contains(QStringLiteral("Form posted from Mozilla")));
        QCOMPARE(ann.attachments, 1);
        QCOMPARE(ann.type, int(MailInbox::DataFile));
        QCOMPARE(ann.saved, formData());

        // Only a name in the Content-Type still makes an attachment.
        const Read bo = readMessage(inbox, 1);
        QCOMPARE(bo.originator, QStringLiteral("bo@example.se"));
        QCOMPARE(bo.attachments, 1);
        QCOMPARE(bo.type, int(MailInbox::DataFile));
        QCOMPARE(bo.saved, otherData);

        QCOMPARE(readMessage(inbox, 2).attachments, 2);

        const Read di = readMessage(inbox, 3);
        QCOMPARE(di.attachments, 1);
        QCOMPARE(di.type, int(MailInbox::EmbeddedObject));

        const Read ed = readMessage(inbox, 4);
        QCOMPARE(ed.attachments, 1);
        QCOMPARE(ed.type, int(MailInbox::EmbeddedObject));
        QVERIFY(ed.body.isEmpty()); // no plain-text part

        const Read flo = readMessage(inbox, 5);
        QVERIFY(flo.body.contains(QStringLiteral("form posted from")));
        QVERIFY(!flo.body.contains(QStringLiteral("Form posted from")));

        const Read gus = readMessage(inbox, 6);
        QCOMPARE(gus.body.trimmed(), QStringLiteral("Grüße aus Köln = 1"));
        QCOMPARE(gus.attachments, 0);
        QVERIFY(inbox.attachmentPath().isEmpty());
        QVERIFY(inbox.signOff());
    }

    void ordersByDeliveryTimeThenName()
    {
        QTemporaryDir dir;
        TestMaildir mail(dir.path());
        // By name alone "1700000000..." comes first; it was delivered last.
        mail.deliverNew(ordinaryMail(QStringLiteral("L <late@x.org>"), {}), 1700000000);
        mail.deliverCur(ordinaryMail(QStringLiteral("E <early@x.org>"), {}), 999999999,
                        QStringLiteral("S"));
        mail.deliverNew(ordinaryMail(QStringLiteral("A <a@x.org>"), {}), 1500000000);
        mail.deliverCur(ordinaryMail(QStringLiteral("B <b@x.org>"), {}), 1500000000, {});
        // A name without a delivery time is dated by its file.
        writeBytes(QDir(dir.path()).filePath(QStringLiteral("new/handmade")),
                   ordinaryMail(QStringLiteral("H <hand@x.org>"), {}));

        MaildirInbox inbox(dir.path());
        QVERIFY(inbox.signOn());
        inbox.fetch(false);
        QStringList senders;
        for (int i = 0; i < inbox.count(); ++i) {
            inbox.select(i);
            senders << inbox.originator();
        }
        QCOMPARE(senders, QStringList({QStringLiteral("early@x.org"), QStringLiteral("a@x.org"),
                                       QStringLiteral("b@x.org"), QStringLiteral("late@x.org"),
                                       QStringLiteral("hand@x.org")}));
    }

    void unreadOnlyAndMarkingRead()
    {
        QTemporaryDir dir;
        TestMaildir mail(dir.path());
        const QString fresh = mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        const QString seen = mail.deliverCur(formSubmission(QStringLiteral("B <b@x.org>")), 101,
                                             QStringLiteral("S"));
        const QString flagged = mail.deliverCur(formSubmission(QStringLiteral("C <c@x.org>")), 102,
                                                QStringLiteral("F"));
        const QString other =
            mail.deliverNew(ordinaryMail(QStringLiteral("D <d@x.org>"), QStringLiteral("Hi")), 103);
        const QByteArray freshBytes = readBytes(mail.pathOf(fresh));

        MaildirInbox inbox(dir.path());
        QVERIFY(inbox.signOn());
        inbox.fetch(true);
        QCOMPARE(inbox.count(), 3);
        for (int i = 0; i < 3; ++i)
            readMessage(inbox, i);
        // Reading changed nothing.
        QCOMPARE(mail.stateOf(fresh), QStringLiteral("new"));
        QCOMPARE(mail.stateOf(flagged), QStringLiteral("F"));
        QCOMPARE(mail.stateOf(other), QStringLiteral("new"));

        inbox.select(0);
        QCOMPARE(inbox.originator(), QStringLiteral("a@x.org"));
        inbox.markRead();
        inbox.select(1);
        QCOMPARE(inbox.originator(), QStringLiteral("c@x.org"));
        inbox.markRead();
        inbox.markRead(); // twice is harmless

        QCOMPARE(mail.stateOf(fresh), QStringLiteral("S"));
        QCOMPARE(mail.stateOf(flagged), QStringLiteral("FS"));
        QCOMPARE(mail.stateOf(seen), QStringLiteral("S"));
        QCOMPARE(mail.stateOf(other), QStringLiteral("new"));
        QCOMPARE(readBytes(mail.pathOf(fresh)), freshBytes);

        inbox.fetch(true);
        QCOMPARE(inbox.count(), 1);
        inbox.select(0);
        QCOMPARE(inbox.originator(), QStringLiteral("d@x.org"));
        inbox.fetch(false);
        QCOMPARE(inbox.count(), 4);
        QVERIFY(inbox.signOff());
    }

    void messageMovedByAnotherProgramIsStillFound()
    {
        QTemporaryDir dir;
        TestMaildir mail(dir.path());
        const QString unique = mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        MaildirInbox inbox(dir.path());
        QVERIFY(inbox.signOn());
        inbox.fetch(true);
        // A mail program notices the message: new/ to cur/, still unread.
        QVERIFY(QDir().rename(
            mail.pathOf(unique),
            QDir(dir.path()).filePath(QStringLiteral("cur/") + unique + QStringLiteral(":2,"))));
        inbox.select(0);
        QCOMPARE(inbox.originator(), QStringLiteral("a@x.org"));
        inbox.markRead();
        QCOMPARE(mail.stateOf(unique), QStringLiteral("S"));
    }

    void savedAttachmentIsPrivateAndGoesAtSignOff()
    {
        QTemporaryDir dir;
        TestMaildir mail(dir.path());
        mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        mail.deliverNew(formSubmission(QStringLiteral("B <b@x.org>")), 101);
        QString first;
        QString second;
        {
            MaildirInbox inbox(dir.path());
            QVERIFY(inbox.signOn());
            inbox.fetch(false);
            inbox.select(0);
            first = inbox.attachmentPath();
            // Never the attachment's own name (POSTDATA.ATT).
            QVERIFY(!first.contains(QStringLiteral("POSTDATA"), Qt::CaseInsensitive));
            const QFileInfo folder(QFileInfo(first).absolutePath());
            QCOMPARE(folder.permissions() &
                         ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                           QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                     QFile::Permissions());
            QVERIFY(!folder.absoluteFilePath().startsWith(dir.path()));
            inbox.select(1);
            second = inbox.attachmentPath();
            QVERIFY(second != first);
            QVERIFY(!QFileInfo::exists(first)); // one attachment in hand at a time
            QVERIFY(inbox.signOff());
            QVERIFY(!QFileInfo::exists(QFileInfo(second).absolutePath()));

            // Signed on again, and left without signing off.
            QVERIFY(inbox.signOn());
            inbox.fetch(false);
            inbox.select(0);
            first = inbox.attachmentPath();
            QVERIFY(QFileInfo::exists(first));
        }
        QVERIFY(!QFileInfo::exists(QFileInfo(first).absolutePath()));
        // Nothing was written into the Maildir.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
    }

    void vanishedFolderThrowsAfterSignOn()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Maildir"));
        TestMaildir mail(folder);
        mail.deliverNew(formSubmission(QStringLiteral("A <a@x.org>")), 100);
        MaildirInbox inbox(folder);
        QVERIFY(inbox.signOn());
        inbox.fetch(false);
        QVERIFY(QDir(folder).removeRecursively());
        try {
            inbox.select(0);
            QFAIL("select should have thrown");
        } catch (const MailInboxError& e) {
            QCOMPARE(e.description(), QStringLiteral("Mail folder %1 not found").arg(folder));
        }
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox.fetch(false));
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox.select(5));
        QVERIFY(inbox.signOff());
    }
};

QTEST_GUILESS_MAIN(TestMaildirInbox)
#include "test_maildir_inbox.moc"
