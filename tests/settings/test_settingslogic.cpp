// The settings below the window: FORM.INI and the store that moves the record to and from it,
// file filters and the folder check, the Apply state and the listed form locations.
#include "TestSupport.h"
#include "settings/IniFile.h"
#include "settings/MatchingFiles.h"

using K = SystemSettings;

class TestSettingsLogic : public QObject
{
    Q_OBJECT

    static bool load(TestApp& app, const QByteArray& body)
    {
        app.writeFile("FORM.INI", "[System Settings]\r\n" + body);
        return app.state->store().LoadSettings();
    }

private slots:
    // A load announces what it changed, keeps flags the file lacks or cannot read, and empties
    // texts it lacks.
    void loadOverTheRecord()
    {
        TestApp app;
        SystemSettings& s = app.settings();
        QVERIFY(!app.state->store().LoadSettings());
        s.setFlag(K::Auto_Open_Template, 1);
        s.setFlag(K::Answer_Once, 1);
        s.setText(K::Mail_Inbox, "imaps://mail.example.org");
        QSignalSpy changed(&s, &SystemSettings::changed);
        QSignalSpy loaded(&app.state->store(), &SettingsStore::loaded);
        QVERIFY(load(app, "Auto_Print_Forms=2\r\nAuto_Open_Template=yes\r\nAuto_Print_Reply=3\r\nAuto_Timer=5\r\n"));
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(changed.constFirst().constFirst().value<SystemSettings::Key>(), K::Auto_Print_Forms);
        QCOMPARE(QList<int>({s.flag(K::Auto_Print_Forms), s.flag(K::Auto_Open_Template), s.flag(K::Auto_Print_Reply),
                             s.flag(K::Ignore_Read_MAPI_Messages), s.flag(K::Answer_Once)}),
                 QList<int>({2, 1, 0, 1, 1}));
        QCOMPARE(s.text(K::Auto_Timer), QStringLiteral("5"));
        for (auto key : {K::Max_Length, K::File_Filter, K::SMTP_Reply_Subject, K::Local_Path, K::Mail_Inbox})
            QCOMPARE(s.text(key), QString());
        QVERIFY(load(app, "answer_once=0\r\nReply_Address_Field=" + QByteArray(300, 'e') + "\r\n"));
        QCOMPARE(s.flag(K::Answer_Once), 0);
        QCOMPARE(s.text(K::Reply_Address_Field).size(), 254);
        // An empty folder still gets its separator, a full one gets just one.
        QCOMPARE(s.localFolder(), QStringLiteral("/"));
        for (const char* path : {"/srv/forms", "/srv/forms/"}) {
            QVERIFY(load(app, "Local_Path=" + QByteArray(path) + "\r\n"));
            QCOMPARE(s.localFolder(), QStringLiteral("/srv/forms/"));
        }
    }

    void saveWritesAllKeysInOrderPrivatelyAndReadsBack()
    {
        TestApp app;
        SystemSettings& s = app.settings();
        s.setText(K::SMTP_Reply_Subject, QString(300, 's'));
        s.setText(K::MAPI_Password, "sécret = yes");
        s.setFlag(K::Auto_Print_Reply, 1);
        QVERIFY(app.state->store().SaveSettings());
        const QStringList lines = QString::fromUtf8(app.readFile("FORM.INI")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), K::KeyCount + 1);
        QCOMPARE(lines[0], QStringLiteral("[System Settings]"));
        for (int k = 0; k < K::KeyCount; ++k)
            QVERIFY(lines[k + 1].startsWith(K::keyName(K::Key(k)) + '='));
        // The keys of later versions stand after the first fifteen, in a fixed order.
        QStringList later;
        for (const QString& line : lines.mid(16))
            later << line.section('=', 0, 0);
        QCOMPARE(later, QStringList({"Mail_Inbox", "SMTP_Security", "Form_Source", "Reply_Address_Field", "Answer_Once"}));
        QCOMPARE(lines[3], QStringLiteral("Auto_Print_Reply=1"));
        QCOMPARE(QFile::permissions(app.path("FORM.INI")) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);

        TestApp other;
        other.writeFile("FORM.INI", app.readFile("FORM.INI"));
        QVERIFY(other.state->store().LoadSettings());
        QCOMPARE(other.settings().text(K::SMTP_Reply_Subject).size(), 254);
        QCOMPARE(other.settings().text(K::MAPI_Password), QStringLiteral("sécret = yes"));
        QCOMPARE(other.settings().flag(K::Auto_Print_Reply), 1);
        // The last template is written alone and leaves the rest as it was.
        QVERIFY(other.state->store().setLastTemplate("/home/u/reply.rtm"));
        QCOMPARE(other.state->store().lastTemplate(), QStringLiteral("/home/u/reply.rtm"));
        QVERIFY(other.state->store().LoadSettings());
        QCOMPARE(other.settings().text(K::MAPI_Password), QStringLiteral("sécret = yes"));

        // A folder where the file should be: no user, not even root, can write a file there.
        QVERIFY(QFile::remove(other.path("FORM.INI")));
        QDir(other.folder()).mkdir("FORM.INI");
        QVERIFY(!other.state->store().SaveSettings());
    }

    // Texts a user may have typed into the file by hand come back as the entries they mean, and
    // are written back so; nothing ever reads as a step down to no encryption.
    void securityAndSourceKeysReadAsTheirEntries_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("security");
        QTest::addColumn<QString>("source");
        QTest::newRow("missing") << QByteArray() << "None" << "Inbox";
        QTest::newRow("empty") << QByteArray("SMTP_Security=\r\nForm_Source=\r\n") << "None" << "Inbox";
        QTest::newRow("as written") << QByteArray("SMTP_Security=STARTTLS\r\nForm_Source=Folder\r\n") << "STARTTLS"
                                    << "Folder";
        QTest::newRow("letter case") << QByteArray("smtp_security=tls\r\nFORM_SOURCE=folder\r\n") << "TLS" << "Folder";
        QTest::newRow("SSL/TLS") << QByteArray("SMTP_Security=SSL/TLS\r\n") << "TLS" << "Inbox";
        QTest::newRow("SSL") << QByteArray("SMTP_Security=ssl\r\n") << "TLS" << "Inbox";
        QTest::newRow("none") << QByteArray("SMTP_Security=none\r\n") << "None" << "Inbox";
        QTest::newRow("unknown") << QByteArray("SMTP_Security=secure please\r\nForm_Source=Outbox\r\n") << "STARTTLS"
                                 << "Inbox";
    }
    void securityAndSourceKeysReadAsTheirEntries()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, security);
        QFETCH(QString, source);
        TestApp app;
        const SystemSettings& s = app.settings();
        app.settings().setText(K::Form_Source, "Folder");
        QVERIFY(load(app, lines));
        QCOMPARE(s.text(K::SMTP_Security) + '|' + s.text(K::Form_Source), security + '|' + source);
        QCOMPARE(s.automaticRunsReadFolder(), source == "Folder");
        QCOMPARE(int(s.smtpSecurity()), security == "None" ? 0 : security == "STARTTLS" ? 1 : 2);
        QVERIFY(app.state->store().SaveSettings());
        const QStringList written = QString::fromUtf8(app.readFile("FORM.INI")).split("\r\n");
        QVERIFY(written.contains("SMTP_Security=" + security) && written.contains("Form_Source=" + source));
    }

    void maxLengthAndTimerNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("minutes"); // -1: not a whole number
        QTest::newRow("blanks") << " 42 " << 42 << 42;
        QTest::newRow("above 16 bits") << "40000" << 32767 << 32767;
        QTest::newRow("below 16 bits") << "-40000" << -32768 << -32768;
        QTest::newRow("beyond 64 bits") << "99999999999999999999999" << 32767 << 32767;
        QTest::newRow("not a number") << "lots" << 20000 << -1;
        QTest::newRow("empty") << "" << 20000 << -1;
    }
    // The account that earlier versions kept in the per-user store fills what FORM.INI leaves
    // empty; the old group stays while FORM.INI cannot hold it (the whole program proves the
    // take-over itself).
    void oldMailProfileStaysWhileFormIniCannotBeWritten()
    {
        TestApp app;
        {
            QSettings store("Brevane", "Brevane");
            store.setValue("Mail Profile/Inbox", "imaps://old.example.org");
            store.setValue("Mail Profile/User", "ann");
            store.setValue("Mail Profile/Password", "pw");
        }
        QDir(app.folder()).mkdir("FORM.INI");
        app.state->InitialiseApplication();
        QCOMPARE(QStringList({app.settings().text(K::Mail_Inbox), app.settings().text(K::MAPI_ID),
                              app.settings().text(K::MAPI_Password)}),
                 QStringList({"imaps://old.example.org", "ann", "pw"}));
        QVERIFY(QSettings("Brevane", "Brevane").childGroups().contains("Mail Profile"));
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

    void iniFileFindsAndKeepsWhatItDoesNotWrite()
    {
        TestApp app;
        const QString ini = app.path("a.ini");
        app.writeFile("a.ini", "\xef\xbb\xbf; kept comment\r\n[Mine]\r\nColour=blue\r\n\r\n[system settings]\r\n"
                               "AUTO_TIMER = 5 \r\n");
        QCOMPARE(ReadIniValue(ini, "System Settings", "auto_timer"), QStringLiteral("5"));
        QCOMPARE(ReadIniValue(ini, "mine", "Colour"), QStringLiteral("blue"));
        for (const auto& [section, key] : {std::pair<const char*, const char*>{"Missing", "Colour"}, {"Mine", "Size"}})
            QCOMPARE(ReadIniValue(ini, section, key), QString());
        QCOMPARE(ReadIniValue(app.path("nofile.ini"), "Mine", "Colour"), QString());
        QVERIFY(WriteIniValue(ini, "system settings", "auto_timer", "7"));
        QVERIFY(WriteIniValue(ini, "Mine", "Size", "é"));
        QCOMPARE(app.readFile("a.ini"), QByteArray("; kept comment\r\n[Mine]\r\nColour=blue\r\nSize=\xc3\xa9\r\n\r\n"
                                                   "[system settings]\r\nauto_timer=7\r\n"));
        // Files of older copies are in Windows-1252.
        app.writeFile("old.ini", "[S]\r\nSubject=Re\xe7u \x80\r\n");
        QCOMPARE(ReadIniValue(app.path("old.ini"), "S", "Subject"), QStringLiteral("Reçu €"));
        // A missing file and section are made; a value is cut at 254 characters and its line
        // breaks become blanks, so that it cannot add entries of its own.
        const QString made = app.path("new.ini");
        QVERIFY(WriteIniValue(made, "S", "K", QString(300, 'x')) && WriteIniValue(made, "T", "K", "one\r\n[Evil]\nX=1"));
        QCOMPARE(ReadIniValue(made, "S", "K"), QString(254, 'x'));
        QCOMPARE(ReadIniValue(made, "T", "K") + ReadIniValue(made, "Evil", "X"), QStringLiteral("one  [Evil] X=1"));
    }

    void filtersAndWildcards()
    {
        for (const char* good : {"*.att;*.dat", "form.txt", "*.att; *.dat", "[x*.att"})
            QVERIFY2(MatchingFiles::isValidFilter(QLatin1String(good)), good);
        for (const char* bad : {"", "  ", "*.att;", "*.att;;*.dat", "sub/*.att", "*.a\ttt"})
            QVERIFY2(!MatchingFiles::isValidFilter(QLatin1String(bad)), bad);
        // name, filter, matches; regular-expression characters are plain in a pattern.
        const std::tuple<const char*, const char*, bool> cases[]{
            {"FORM1.ATT", "*.att;*.dat", true}, {"x.dat", "*.att; *.dat", true}, {"x.att.bak", "*.att", false},
            {"xatt", "*.att", false},           {"a1.txt", "a?.txt", true},      {"a12.txt", "a?.txt", false},
            {"a+b(1).txt", "a+b(1).txt", true}, {"aab(1).txt", "a+b(1).txt", false}, {"[x].att", "[x].att", true},
            {"x.att", "[x].att", false},        {"README", "*.*", true},         {"form", "form.*", true},
            {"former", "form.*", false}};
        for (const auto& [name, filter, match] : cases)
            QVERIFY2(MatchingFiles::matches(QLatin1String(name), QLatin1String(filter)) == match, name);
    }

    void listingTakesMatchingRegularFilesSortedWithoutCase()
    {
        QTemporaryDir dir;
        const QString f = dir.path() + '/';
        for (const char* name : {"b.att", "A.DAT", "C.Att", "note.txt", ".hidden.att", "sub.att/x"})
            writeBytes(f + name, "x");
        QCOMPARE(MatchingFiles::list(f, "*.att;*.dat"), QStringList({"A.DAT", "b.att", "C.Att"}));
        QCOMPARE(MatchingFiles::list(dir.path(), "*.TXT"), QStringList({"note.txt"}));
        QCOMPARE(MatchingFiles::list(f, "*.*"), QStringList({"A.DAT", "b.att", "C.Att", "note.txt"}));
        // An unusable folder or filter lists nothing.
        QVERIFY(MatchingFiles::list(f, "*.att;").isEmpty());
        QVERIFY(MatchingFiles::list(dir.filePath("missing"), "*.att").isEmpty());
        QVERIFY(MatchingFiles::list(QString(), "*.att").isEmpty());
    }

};

QTEST_GUILESS_MAIN(TestSettingsLogic)
#include "test_settingslogic.moc"
