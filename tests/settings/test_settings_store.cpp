#include "TestSupport.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

using K = SystemSettings;

class SettingsStoreTest : public QObject
{
    Q_OBJECT

    static bool load(TestApp& app, const QByteArray& body)
    {
        app.writeFile("FORM.INI", "[System Settings]\r\n" + body);
        return app.state->store().LoadSettings();
    }

private slots:
    // Before a load the built-in values hold; a load announces what it changed, keeps flags the
    // file lacks and empties texts it lacks.
    void loadOverBuiltInValues()
    {
        TestApp app;
        SystemSettings& s = app.state->settings();
        QCOMPARE(s.text(K::Max_Length), QString("20000"));
        QCOMPARE(s.text(K::File_Filter), QString("*.att;*.dat"));
        QVERIFY(!app.state->store().LoadSettings());

        QSignalSpy changed(&s, &SystemSettings::changed);
        QSignalSpy loaded(&app.state->store(), &SettingsStore::loaded);
        QVERIFY(load(app, "Auto_Print_Forms=1\r\n"));
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(changed.constFirst().constFirst().value<SystemSettings::Key>(),
                 K::Auto_Print_Forms);
        QCOMPARE(s.flag(K::Auto_Print_Forms), 1);
        QCOMPARE(s.flag(K::Ignore_Read_MAPI_Messages), 1);
        for (auto key :
             {K::Auto_Timer, K::Max_Length, K::File_Filter, K::SMTP_Reply_Subject, K::Local_Path})
            QCOMPARE(s.text(key), QString());
        // An empty folder still gets its separator, a full one gets just one.
        QCOMPARE(s.localFolder(), QString("/"));
        for (const char* path : {"/srv/forms", "/srv/forms/"}) {
            QVERIFY(load(app, "Local_Path=" + QByteArray(path) + "\r\n"));
            QCOMPARE(s.localFolder(), QString("/srv/forms/"));
        }
    }

    void badFlagKeepsItsValueAndTheRestLoads()
    {
        TestApp app;
        const SystemSettings& s = app.state->settings();
        app.state->settings().setFlag(K::Auto_Open_Template, 1);
        QVERIFY(load(app, "Auto_Open_Template=yes\r\nAuto_Print_Reply=3\r\nAuto_Timer=5\r\n"
                          "Auto_Print_Forms=2\r\n"));
        QCOMPARE(s.flag(K::Auto_Open_Template), 1);
        QCOMPARE(s.flag(K::Auto_Print_Reply), 0);
        QCOMPARE(s.flag(K::Auto_Print_Forms), 2);
        QCOMPARE(s.text(K::Auto_Timer), QString("5"));
    }

    void saveWritesAllKeysInOrderPrivatelyAndReadsBack()
    {
        TestApp app;
        SystemSettings& s = app.state->settings();
        s.setText(K::SMTP_Reply_Subject, QString(300, 's'));
        s.setText(K::MAPI_Password, "sécret = yes");
        s.setFlag(K::Auto_Print_Reply, 1);
        QVERIFY(app.state->store().SaveSettings());

        const QStringList lines =
            QString::fromUtf8(app.readFile("FORM.INI")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines[0], QString("[System Settings]"));
        for (int k = 0; k < K::KeyCount; ++k)
            QVERIFY(lines[k + 1].startsWith(K::keyName(K::Key(k)) + '='));
        QCOMPARE(lines[3], QString("Auto_Print_Reply=1"));
        const auto perms = QFile::permissions(app.path("FORM.INI"));
        QVERIFY(perms & QFileDevice::ReadOwner);
        QVERIFY(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));

        TestApp other;
        other.writeFile("FORM.INI", app.readFile("FORM.INI"));
        QVERIFY(other.state->store().LoadSettings());
        const SystemSettings& t = other.state->settings();
        QCOMPARE(t.text(K::SMTP_Reply_Subject).size(), 254);
        QCOMPARE(t.text(K::MAPI_Password), QString("sécret = yes"));
        QCOMPARE(t.flag(K::Auto_Print_Reply), 1);

        // A folder where the file should be: no user, not even root, can write a file there.
        QVERIFY(QFile::remove(other.path("FORM.INI")));
        QDir(other.folder()).mkdir("FORM.INI");
        QVERIFY(!other.state->store().SaveSettings());
    }

    void refusedWriteIsReportedAndLeavesTheFileWhole()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        TestApp app;
        app.writeFile("FORM.INI", "[System Settings]\r\nAuto_Timer=7\r\n");
        QFile::setPermissions(app.folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        app.state->settings().setText(K::Auto_Timer, "3");
        QVERIFY(!app.state->store().SaveSettings());
        QFile::setPermissions(app.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        QCOMPARE(app.readFile("FORM.INI"), QByteArray("[System Settings]\r\nAuto_Timer=7\r\n"));
    }

    void lastTemplateKeepsTheRecord()
    {
        TestApp app;
        QVERIFY(app.state->store().SaveSettings());
        QVERIFY(app.state->store().setLastTemplate("/home/u/reply.rtm"));
        QCOMPARE(app.state->store().lastTemplate(), QString("/home/u/reply.rtm"));
        QVERIFY(app.state->store().LoadSettings());
        QCOMPARE(app.state->settings().text(K::Auto_Timer), QString("10"));
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
        SystemSettings s;
        s.setText(K::Max_Length, text);
        s.setText(K::Auto_Timer, text);
        QTEST(s.maxLengthLimit(), "limit");
        QTEST(s.autoTimerMinutes().value_or(-1), "minutes");
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "test_settings_store.moc"
