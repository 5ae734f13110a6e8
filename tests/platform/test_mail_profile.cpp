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

using namespace Qt::StringLiterals;

class TestMailProfile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_config;

    QString homeMaildir() const { return m_home.filePath(u"Maildir"_s); }
    static QString notFound(const QString& folder)
    {
        return u"Mail folder %1 not found"_s.arg(folder);
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
        QSettings(u"Brevane"_s, u"Brevane"_s).remove(MailProfile::Group);
        QDir(homeMaildir()).removeRecursively();
    }

    void profileIsKeptOwnerOnlyBesideOtherSettings()
    {
        const QString file = QSettings(u"Brevane"_s, u"Brevane"_s).fileName();
        QSettings(u"Brevane"_s, u"Brevane"_s).setValue(u"File History/File1"_s, u"a.rtm"_s);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                        QFile::ReadOther);
        QCOMPARE(MailProfile::load(), MailProfile());

        const MailProfile profile{u"imaps://mail.example.org"_s, u"ann"_s, u"s3cret"_s};
        QVERIFY(profile.save());
        QCOMPARE(MailProfile::load(), profile);
        QCOMPARE(QFileInfo(file).permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());

        QSettings store(u"Brevane"_s, u"Brevane"_s);
        QCOMPARE(store.value(u"Mail Profile/Inbox"_s).toString(), profile.inbox);
        QCOMPARE(store.value(u"Mail Profile/User"_s).toString(), profile.user);
        QCOMPARE(store.value(u"Mail Profile/Password"_s).toString(), profile.password);
        QCOMPARE(store.value(u"File History/File1"_s).toString(), u"a.rtm"_s);
    }

    void withoutProfileTheHomeMaildirIsRead()
    {
        TestMaildir(homeMaildir()).deliverNew(MailSamples::formSubmission(u"A <a@x.org>"_s), 100);
        ScriptedMailLogon logon;
        const auto inbox = MailInbox::fromProfile(logon);
        QVERIFY(inbox->signOn());
        QVERIFY(logon.requests().isEmpty());
        inbox->fetch(true);
        QCOMPARE(inbox->count(), 1);
        inbox->select(0);
        QCOMPARE(inbox->originator(), u"a@x.org"_s);
        QVERIFY(inbox->signOff());
        QVERIFY_THROWS_EXCEPTION(MailInboxError, inbox->select(0));
        QVERIFY(MailProfile::load().isEmpty()); // nothing was asked, nothing kept
    }

    void withNothingToOpenTheLogonIsAsked()
    {
        ScriptedMailLogon cancelling;
        QCOMPARE(signOnFailure(cancelling), notFound(homeMaildir()));
        QCOMPARE(cancelling.requests().size(), 1);
        QCOMPARE(cancelling.requests().at(0).reason, notFound(homeMaildir()));
        QVERIFY(cancelling.requests().at(0).profile.isEmpty());

        // A wrong folder is asked about again; the one that opens is kept.
        QTemporaryDir other;
        TestMaildir mail(other.filePath(u"Mail"_s));
        const QString typo = other.filePath(u"Mial"_s);
        ScriptedMailLogon logon;
        logon.answer({typo, {}, {}});
        logon.answer({mail.folder(), {}, {}});
        QCOMPARE(signOnFailure(logon), QString());
        QCOMPARE(logon.requests().size(), 2);
        QCOMPARE(logon.requests().at(1).reason, notFound(typo));
        QCOMPARE(logon.requests().at(1).profile.inbox, typo);
        QCOMPARE(MailProfile::load().inbox, mail.folder());
    }

    void profileFailuresAreReportedWithoutAsking()
    {
        ScriptedMailLogon logon;
        const QString gone = m_home.filePath(u"gone"_s);
        QVERIFY((MailProfile{gone, {}, {}}.save()));
        QCOMPARE(signOnFailure(logon), notFound(gone));

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        QVERIFY((MailProfile{u"imap://127.0.0.1:%1"_s.arg(closedPort), u"ann"_s, u"pw"_s}.save()));
        QCOMPARE(signOnFailure(logon), u"Connection refused by 127.0.0.1:%1"_s.arg(closedPort));
        QVERIFY(logon.requests().isEmpty());

        // A home folder is written with a tilde.
        TestMaildir(m_home.filePath(u"Mail/forms"_s)).deliverNew(MailSamples::formData(), 100);
        QVERIFY((MailProfile{u"~/Mail/forms"_s, {}, {}}.save()));
        QCOMPARE(signOnFailure(logon), QString());
    }

    void logonWindow()
    {
        frmMailLogon window;
        QCOMPARE(window.windowTitle(), u"Mail Logon"_s);
        QCOMPARE(window.txtPassword->echoMode(), QLineEdit::Password);
        window.setProfile({u"imap://mail.example.org"_s, u"ann"_s, u"old"_s},
                          u"Login refused by mail.example.org"_s);
        QCOMPARE(window.lblReason->text(), u"Login refused by mail.example.org"_s);
        QCOMPARE(window.txtInbox->text(), u"imap://mail.example.org"_s);
        QCOMPARE(window.txtUser->text(), u"ann"_s);
        window.txtPassword->clear();
        QTest::keyClicks(window.txtPassword, u"new"_s);
        window.show();
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.profile(), (MailProfile{u"imap://mail.example.org"_s, u"ann"_s, u"new"_s}));

        window.show();
        QTest::mouseClick(window.cmdCancel, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestMailProfile)
#include "test_mail_profile.moc"
