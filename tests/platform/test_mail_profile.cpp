#include "MailSamples.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/MailInbox.h"
#include "platform/MailInboxError.h"
#include "platform/MailProfile.h"
#include "platform/ScriptedMailLogon.h"
#include "platform/frmMailLogon.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

class TestMailProfile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QTemporaryDir m_config;

    QString homeMaildir() const { return m_home.filePath(QStringLiteral("Maildir")); }

    static QString storeFile()
    {
        return QSettings(QStringLiteral("Brevane"), QStringLiteral("Brevane")).fileName();
    }

    static void clearProfile()
    {
        QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
        store.remove(MailProfile::Group);
    }

    static QString signOnFailure(MailLogon& logon)
    {
        const auto inbox = MailInbox::fromProfile(logon);
        return inbox->signOn() ? QString() : inbox->errorDescription();
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        QCOMPARE(QDir::homePath(), m_home.path());
    }

    void init()
    {
        clearProfile();
        QDir(homeMaildir()).removeRecursively();
    }

    void profileIsKeptOwnerOnlyBesideOtherSettings()
    {
        {
            QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
            store.setValue(QStringLiteral("File History/File1"), QStringLiteral("a.rtm"));
        }
        QFile::setPermissions(storeFile(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadOther);
        QCOMPARE(MailProfile::load(), MailProfile());

        const MailProfile profile{QStringLiteral("imaps://mail.example.org"), QStringLiteral("ann"),
                                  QStringLiteral("s3cret")};
        QVERIFY(profile.save());
        QCOMPARE(MailProfile::load(), profile);
        QCOMPARE(QFileInfo(storeFile()).permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());

        QSettings store(QStringLiteral("Brevane"), QStringLiteral("Brevane"));
        QCOMPARE(store.value(QStringLiteral("Mail Profile/Inbox")).toString(), profile.inbox);
        QCOMPARE(store.value(QStringLiteral("Mail Profile/User")).toString(), profile.user);
        QCOMPARE(store.value(QStringLiteral("Mail Profile/Password")).toString(), profile.password);
        QCOMPARE(store.value(QStringLiteral("File History/File1")).toString(),
                 QStringLiteral("a.rtm"));
    }

    void withoutProfileTheHomeMaildirIsRead()
    {
        TestMaildir mail(homeMaildir());
        mail.deliverNew(MailSamples::formSubmission(QStringLiteral("A <a@x.org>")), 100);
        ScriptedMailLogon logon;
        const auto inbox = MailInbox::fromProfile(logon);
        QVERIFY(inbox->signOn());
        QVERIFY(logon.requests().isEmpty());
        inbox->fetch(true);
        QCOMPARE(inbox->count(), 1);
        inbox->select(0);
        QCOMPARE(inbox->originator(), QStringLiteral("a@x.org"));
        QVERIFY(inbox->signOff());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox->select(0));
        QVERIFY(MailProfile::load().isEmpty()); // nothing was asked, nothing kept
    }

    void withNothingToOpenTheLogonIsAsked()
    {
        const QString missing = QStringLiteral("Mail folder %1 not found").arg(homeMaildir());
        ScriptedMailLogon cancelling;
        QCOMPARE(signOnFailure(cancelling), missing);
        QCOMPARE(cancelling.requests().size(), 1);
        QCOMPARE(cancelling.requests().at(0).reason, missing);
        QVERIFY(cancelling.requests().at(0).profile.isEmpty());

        // A wrong folder is asked about again; the one that opens is kept.
        QTemporaryDir other;
        TestMaildir mail(other.filePath(QStringLiteral("Mail")));
        const QString typo = other.filePath(QStringLiteral("Mial"));
        ScriptedMailLogon logon;
        logon.answer({typo, {}, {}});
        logon.answer({mail.folder(), {}, {}});
        QCOMPARE(signOnFailure(logon), QString());
        QCOMPARE(logon.requests().size(), 2);
        QCOMPARE(logon.requests().at(1).reason,
                 QStringLiteral("Mail folder %1 not found").arg(typo));
        QCOMPARE(logon.requests().at(1).profile.inbox, typo);
        QCOMPARE(MailProfile::load().inbox, mail.folder());
    }

    void profileFailuresAreReportedWithoutAsking()
    {
        ScriptedMailLogon logon;
        const QString gone = m_home.filePath(QStringLiteral("gone"));
        QVERIFY((MailProfile{gone, {}, {}}.save()));
        QCOMPARE(signOnFailure(logon), QStringLiteral("Mail folder %1 not found").arg(gone));

        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        QVERIFY((MailProfile{QStringLiteral("imap://127.0.0.1:%1").arg(closedPort),
                             QStringLiteral("ann"), QStringLiteral("pw")}
                     .save()));
        QCOMPARE(signOnFailure(logon),
                 QStringLiteral("Connection refused by 127.0.0.1:%1").arg(closedPort));
        QVERIFY(logon.requests().isEmpty());
    }

    void homeFolderIsWrittenWithTilde()
    {
        TestMaildir mail(m_home.filePath(QStringLiteral("Mail/forms")));
        mail.deliverNew(MailSamples::formSubmission(QStringLiteral("A <a@x.org>")), 100);
        QVERIFY((MailProfile{QStringLiteral("~/Mail/forms"), {}, {}}.save()));
        ScriptedMailLogon logon;
        const auto inbox = MailInbox::fromProfile(logon);
        QVERIFY(inbox->signOn());
        inbox->fetch(false);
        QCOMPARE(inbox->count(), 1);
    }

    void logonWindow()
    {
        frmMailLogon window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Mail Logon"));
        auto* txtInbox = window.findChild<QLineEdit*>(QStringLiteral("txtInbox"));
        auto* txtUser = window.findChild<QLineEdit*>(QStringLiteral("txtUser"));
        auto* txtPassword = window.findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        auto* cmdOK = window.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        auto* cmdCancel = window.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        auto* lblReason = window.findChild<QLabel*>(QStringLiteral("lblReason"));
        QVERIFY(txtInbox && txtUser && txtPassword && cmdOK && cmdCancel && lblReason);
        QCOMPARE(txtPassword->echoMode(), QLineEdit::Password);

        window.setProfile({QStringLiteral("imap://mail.example.org"), QStringLiteral("ann"),
                           QStringLiteral("old")},
                          QStringLiteral("Login refused by mail.example.org"));
        QCOMPARE(lblReason->text(), QStringLiteral("Login refused by mail.example.org"));
        QCOMPARE(txtInbox->text(), QStringLiteral("imap://mail.example.org"));
        QCOMPARE(txtUser->text(), QStringLiteral("ann"));
        txtPassword->clear();
        QTest::keyClicks(txtPassword, QStringLiteral("new"));
        window.show();
        QTest::mouseClick(cmdOK, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.profile(), (MailProfile{QStringLiteral("imap://mail.example.org"),
                                                QStringLiteral("ann"), QStringLiteral("new")}));

        window.show();
        QTest::mouseClick(cmdCancel, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestMailProfile)
#include "test_mail_profile.moc"
