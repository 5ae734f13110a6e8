#include "TestSupport.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

class SettingsStoreTest : public QObject
{
    Q_OBJECT

    static QByteArray section(const QByteArray& body) { return "[System Settings]\r\n" + body; }

private slots:
    void defaultsBeforeAnythingIsLoaded()
    {
        TestApp app;
        SystemSettings& s = app.state->settings();
        QCOMPARE(s.flag(SystemSettings::Ignore_Read_MAPI_Messages), 1);
        QCOMPARE(s.flag(SystemSettings::Auto_Open_Template), 0);
        QCOMPARE(s.text(SystemSettings::Auto_Timer), QStringLiteral("10"));
        QCOMPARE(s.text(SystemSettings::Max_Length), QStringLiteral("20000"));
        QCOMPARE(s.text(SystemSettings::Local_Path), QStringLiteral("/"));
        QCOMPARE(s.text(SystemSettings::SMTP_Reply_Subject), QStringLiteral("Receipt Confirmation"));
        QCOMPARE(s.text(SystemSettings::File_Filter), QStringLiteral("*.att;*.dat"));
        QCOMPARE(s.friendlyReplySuffix(), QStringLiteral(": "));
        QCOMPARE(s.localFolder(), QStringLiteral("/"));
        QVERIFY(!app.state->store().LoadSettings());
    }

    void missingKeysEmptyTextsAndKeepFlags()
    {
        TestApp app;
        app.writeFile(QStringLiteral("FORM.INI"), section("Auto_Print_Forms=1\r\n"));
        SystemSettings& s = app.state->settings();
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(s.flag(SystemSettings::Auto_Print_Forms), 1);
        QCOMPARE(s.flag(SystemSettings::Ignore_Read_MAPI_Messages), 1);
        QCOMPARE(s.flag(SystemSettings::Auto_Open_Template), 0);
        for (auto key : {SystemSettings::Auto_Timer, SystemSettings::Max_Length,
                         SystemSettings::File_Filter, SystemSettings::SMTP_Reply_Subject,
                         SystemSettings::Local_Path})
            QCOMPARE(s.text(key), QString());
        // An empty folder still gets its separator.
        QCOMPARE(s.localFolder(), QStringLiteral("/"));
    }

    void badFlagKeepsItsValueAndTheRestLoads()
    {
        TestApp app;
        app.state->settings().setFlag(SystemSettings::Auto_Open_Template, 1);
        app.writeFile(QStringLiteral("FORM.INI"),
                      section("Auto_Open_Template=yes\r\nAuto_Print_Reply=3\r\nAuto_Timer=5\r\n"
                              "Auto_Print_Forms=2\r\n"));
        QVERIFY(app.state->store().LoadSettings());
        const SystemSettings& s = app.state->settings();
        QCOMPARE(s.flag(SystemSettings::Auto_Open_Template), 1);
        QCOMPARE(s.flag(SystemSettings::Auto_Print_Reply), 0);
        QCOMPARE(s.flag(SystemSettings::Auto_Print_Forms), 2);
        QCOMPARE(s.text(SystemSettings::Auto_Timer), QStringLiteral("5"));
    }

    void saveWritesAllKeysInOrderAndReadsBack()
    {
        TestApp app;
        SystemSettings& s = app.state->settings();
        s.setText(SystemSettings::SMTP_Reply_Subject, QString(300, QLatin1Char('s')));
        s.setText(SystemSettings::MAPI_Password, QStringLiteral("sécret = yes"));
        s.setFlag(SystemSettings::Auto_Print_Reply, 1);
        QVERIFY(app.state->store().SaveSettings());

        const QStringList lines = QString::fromUtf8(app.readFile(QStringLiteral("FORM.INI")))
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines[0], QStringLiteral("[System Settings]"));
        for (int k = 0; k < SystemSettings::KeyCount; ++k)
            QVERIFY(lines[k + 1].startsWith(SystemSettings::keyName(SystemSettings::Key(k)) + '='));
        QCOMPARE(lines[3], QStringLiteral("Auto_Print_Reply=1"));

        TestApp other;
        other.writeFile(QStringLiteral("FORM.INI"), app.readFile(QStringLiteral("FORM.INI")));
        QVERIFY(other.state->store().LoadSettings());
        const SystemSettings& t = other.state->settings();
        QCOMPARE(t.text(SystemSettings::SMTP_Reply_Subject).size(), 254);
        QCOMPARE(t.text(SystemSettings::MAPI_Password), QStringLiteral("sécret = yes"));
        QCOMPARE(t.flag(SystemSettings::Auto_Print_Reply), 1);
    }

    void newFileIsPrivateToItsOwner()
    {
        TestApp app;
        QVERIFY(app.state->store().SaveSettings());
        const auto perms = QFile::permissions(app.path(QStringLiteral("FORM.INI")));
        QVERIFY(perms & QFileDevice::ReadOwner);
        QVERIFY(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
    }

    void refusedWriteIsReportedAndLeavesTheFileWhole()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        TestApp app;
        app.writeFile(QStringLiteral("FORM.INI"), section("Auto_Timer=7\r\n"));
        QFile::setPermissions(app.folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        app.state->settings().setText(SystemSettings::Auto_Timer, QStringLiteral("3"));
        QVERIFY(!app.state->store().SaveSettings());
        QFile::setPermissions(app.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        QCOMPARE(app.readFile(QStringLiteral("FORM.INI")), section("Auto_Timer=7\r\n"));
    }

    void unwritableTargetIsReportedEvenForRoot()
    {
        TestApp app;
        // A folder where the file should be: no user can write a file there.
        QDir(app.folder()).mkdir(QStringLiteral("FORM.INI"));
        QVERIFY(!app.state->store().SaveSettings());
    }

    void pathsGainOneSeparator()
    {
        TestApp app;
        app.writeFile(QStringLiteral("FORM.INI"), section("Local_Path=/srv/forms\r\n"));
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(app.state->settings().localFolder(), QStringLiteral("/srv/forms/"));
        app.writeFile(QStringLiteral("FORM.INI"), section("Local_Path=/srv/forms/\r\n"));
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(app.state->settings().localFolder(), QStringLiteral("/srv/forms/"));
    }

    void loadNotifiesEveryChange()
    {
        TestApp app;
        QSignalSpy changed(&app.state->settings(), &SystemSettings::changed);
        QSignalSpy loaded(&app.state->store(), &SettingsStore::loaded);
        app.writeFile(QStringLiteral("FORM.INI"), section("Auto_Open_Template=1\r\n"));
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(loaded.count(), 1);
        QVERIFY(changed.count() >= 1);
        QCOMPARE(changed.constFirst().constFirst().value<SystemSettings::Key>(),
                 SystemSettings::Auto_Open_Template);
    }

    void lastTemplateKeepsTheRecord()
    {
        TestApp app;
        QVERIFY(app.state->store().SaveSettings());
        QVERIFY(app.state->store().setLastTemplate(QStringLiteral("/home/u/reply.rtm")));
        QCOMPARE(app.state->store().lastTemplate(), QStringLiteral("/home/u/reply.rtm"));
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(app.state->settings().text(SystemSettings::Auto_Timer), QStringLiteral("10"));
    }

    void maxLengthAndTimerNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("minutes"); // -1: not a whole number
        QTest::newRow("plain") << "1500" << 1500 << 1500;
        QTest::newRow("blanks") << " 42 " << 42 << 42;
        QTest::newRow("above 16 bits") << "40000" << 32767 << 32767;
        QTest::newRow("below 16 bits") << "-40000" << -32768 << -32768;
        QTest::newRow("beyond 64 bits") << "99999999999999999999999" << 32767 << 32767;
        QTest::newRow("not a number") << "lots" << 20000 << -1;
        QTest::newRow("fraction") << "2.5" << 20000 << -1;
        QTest::newRow("empty") << "" << 20000 << -1;
    }
    void maxLengthAndTimerNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(int, minutes);
        SystemSettings s;
        s.setText(SystemSettings::Max_Length, text);
        s.setText(SystemSettings::Auto_Timer, text);
        QCOMPARE(s.maxLengthLimit(), limit);
        QCOMPARE(s.autoTimerMinutes().value_or(-1), minutes);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "test_settings_store.moc"
