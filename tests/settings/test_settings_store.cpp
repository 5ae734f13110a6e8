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
        QCOMPARE(lines.size(), 1 + K::KeyCount);
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

    // Texts a user may have typed into the file by hand come back as the entries they mean, and
    // are written back so; nothing ever reads as a step down to no encryption.
    void securityAndSourceKeysReadAsTheirEntries_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("security");
        QTest::addColumn<QString>("source");
        QTest::newRow("missing") << QByteArray() << "None" << "Inbox";
        QTest::newRow("empty") << QByteArray("SMTP_Security=\r\nForm_Source=\r\n") << "None" << "Inbox";
        QTest::newRow("as written")
            << QByteArray("SMTP_Security=STARTTLS\r\nForm_Source=Folder\r\n") << "STARTTLS" << "Folder";
        QTest::newRow("letter case")
            << QByteArray("smtp_security=tls\r\nFORM_SOURCE=folder\r\n") << "TLS" << "Folder";
        QTest::newRow("SSL/TLS") << QByteArray("SMTP_Security=SSL/TLS\r\n") << "TLS" << "Inbox";
        QTest::newRow("SSL") << QByteArray("SMTP_Security=ssl\r\n") << "TLS" << "Inbox";
        QTest::newRow("none") << QByteArray("SMTP_Security=none\r\n") << "None" << "Inbox";
        QTest::newRow("unknown")
            << QByteArray("SMTP_Security=secure please\r\nForm_Source=Outbox\r\n") << "STARTTLS"
            << "Inbox";
    }
    void securityAndSourceKeysReadAsTheirEntries()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, security);
        QFETCH(QString, source);
        TestApp app;
        app.state->settings().setText(K::Form_Source, "Folder");
        QVERIFY(load(app, line));
        const SystemSettings& s = app.state->settings();
        QCOMPARE(s.text(K::SMTP_Security), security);
        QCOMPARE(s.text(K::Form_Source), source);
        QCOMPARE(s.automaticRunsReadFolder(), source == "Folder");
        QCOMPARE(int(s.smtpSecurity()), security == "None" ? 0 : security == "STARTTLS" ? 1 : 2);
        QVERIFY(app.state->store().SaveSettings());
        const QStringList written = QString::fromUtf8(app.readFile("FORM.INI")).split("\r\n");
        QVERIFY(written.contains("SMTP_Security=" + security));
        QVERIFY(written.contains("Form_Source=" + source));
    }

    // The keys of later versions stand after the first fifteen, in a fixed order, and follow the
    // same rules: a flag keeps its value when the file lacks it, a text is cut at 254.
    void laterKeysFollowTheFirstFifteen()
    {
        TestApp app;
        SystemSettings& s = app.state->settings();
        s.setFlag(K::Answer_Once, 1);
        QVERIFY(load(app, "Mail_Inbox=imaps://mail.example.org\r\nReply_Address_Field=" +
                              QByteArray(300, 'e') + "\r\n"));
        QCOMPARE(s.text(K::Mail_Inbox), QString("imaps://mail.example.org"));
        QCOMPARE(s.text(K::Reply_Address_Field).size(), 254);
        QCOMPARE(s.flag(K::Answer_Once), 1);
        QVERIFY(load(app, "answer_once=0\r\n"));
        QCOMPARE(s.flag(K::Answer_Once), 0);
        QVERIFY(s.text(K::Mail_Inbox).isEmpty());

        TestApp fresh;
        QVERIFY(fresh.state->store().SaveSettings());
        QStringList keys;
        for (const QString& line : QString::fromUtf8(fresh.readFile("FORM.INI")).split('\n'))
            keys << line.section('=', 0, 0);
        QCOMPARE(keys.mid(16, 5), QStringList({"Mail_Inbox", "SMTP_Security", "Form_Source",
                                               "Reply_Address_Field", "Answer_Once"}));
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
