#include "MailSamples.h"
#include "ScriptedMailLogon.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "platform/mail/MailInbox.h"
#include "platform/mail/MailProfile.h"
#include "platform/mail/ui/frmMailLogon.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
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

        QCOMPARE(QSettings(u"Brevane"_s, u"Brevane"_s).value(u"File History/File1"_s).toString(),
                 u"a.rtm"_s);
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
        QVERIFY(MailProfile::load().isEmpty()); // nothing was asked, nothing kept
    }

    void withNothingToOpenTheLogonIsAsked()
    {
        ScriptedMailLogon cancelling;
        QCOMPARE(signOnFailure(cancelling), notFound(homeMaildir()));
        QCOMPARE(cancelling.requests().size(), 1);
        QCOMPARE(cancelling.requests().at(0).reason, notFound(homeMaildir()));
        QVERIFY(cancelling.requests().at(0).profile.isEmpty());
    }

    void profileFailuresAreReportedWithoutAsking()
    {
        ScriptedMailLogon logon;
        const QString gone = m_home.filePath(u"gone"_s);
        QVERIFY((MailProfile{gone, {}, {}}.save()));
        QCOMPARE(signOnFailure(logon), notFound(gone));
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
        window.txtPassword->clear();
        QTest::keyClicks(window.txtPassword, u"new"_s);
        window.show();
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.profile(), (MailProfile{u"imap://mail.example.org"_s, u"ann"_s, u"new"_s}));
    }
};

QTEST_MAIN(TestMailProfile)
#include "test_mail_profile.moc"
