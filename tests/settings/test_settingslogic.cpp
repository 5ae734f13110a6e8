// The settings below the window: FORM.INI and the store that moves the record to and from it,
// the entries and numbers read from it, and file filters (the window's tests list the files).
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
    // A load keeps flags the file lacks or cannot read (the window's tests prove the rest).
    void loadKeepsFlagsItCannotRead()
    {
        TestApp app;
        SystemSettings& s = app.settings();
        QVERIFY(!app.state->store().LoadSettings());
        s.setFlag(K::Auto_Open_Template, 1);
        s.setFlag(K::Answer_Once, 1);
        QSignalSpy loaded(&app.state->store(), &SettingsStore::loaded);
        QVERIFY(load(app, "Auto_Print_Forms=2\r\nAuto_Open_Template=yes\r\nAuto_Print_Reply=3\r\nanswer_once=0\r\n"));
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(QList<int>({s.flag(K::Auto_Print_Forms), s.flag(K::Auto_Open_Template), s.flag(K::Auto_Print_Reply),
                             s.flag(K::Ignore_Read_MAPI_Messages), s.flag(K::Answer_Once)}),
                 QList<int>({2, 1, 0, 1, 0}));
    }

    void saveWritesAllKeysInOrderAndReadsBack()
    {
        TestApp app;
        SystemSettings& s = app.settings();
        s.setText(K::MAPI_Password, "sécret = yes");
        s.setFlag(K::Auto_Print_Reply, 1);
        QVERIFY(app.state->store().SaveSettings());
        const QStringList lines = QString::fromUtf8(app.readFile("FORM.INI")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), K::KeyCount + 1);
        QCOMPARE(lines[0], QStringLiteral("[System Settings]")); // then every key, in the record's order
        for (int k = 0; k < K::KeyCount; ++k)
            QVERIFY(lines[k + 1].startsWith(K::keyName(K::Key(k)) + '='));

        TestApp other;
        other.writeFile("FORM.INI", app.readFile("FORM.INI"));
        QVERIFY(other.state->store().LoadSettings());
        QCOMPARE(other.settings().text(K::MAPI_Password) + QString::number(other.settings().flag(K::Auto_Print_Reply)),
                 QStringLiteral("sécret = yes1"));
    }

    // Texts a user may have typed into the file by hand come back as the entries they mean, and
    // are written back so; nothing ever reads as a step down to no encryption.
    void securityAndSourceKeysReadAsTheirEntries()
    {
        const std::tuple<QByteArray, QString, QString> cases[]{
            {"", "None", "Inbox"},
            {"SMTP_Security=STARTTLS\r\nForm_Source=Folder", "STARTTLS", "Folder"},
            {"smtp_security=tls\r\nFORM_SOURCE=folder", "TLS", "Folder"},
            {"SMTP_Security=ssl", "TLS", "Inbox"},
            {"SMTP_Security=secure please\r\nForm_Source=Outbox", "STARTTLS", "Inbox"}};
        for (const auto& [lines, security, source] : cases) {
            TestApp app;
            const SystemSettings& s = app.settings();
            app.settings().setText(K::Form_Source, "Folder");
            QVERIFY(load(app, lines + "\r\n"));
            QCOMPARE(s.text(K::SMTP_Security) + '|' + s.text(K::Form_Source), security + '|' + source);
            QCOMPARE(s.automaticRunsReadFolder(), source == "Folder");
            QCOMPARE(int(s.smtpSecurity()), security == "None" ? 0 : security == "STARTTLS" ? 1 : 2);
            QVERIFY(app.state->store().SaveSettings());
            const QStringList written = QString::fromUtf8(app.readFile("FORM.INI")).split("\r\n");
            QVERIFY(written.contains("SMTP_Security=" + security) && written.contains("Form_Source=" + source));
        }
    }

    void maxLengthAndTimerNumbers()
    {
        // The text, the length limit and the minutes (-1: not a whole number), held to 16 bits.
        const std::tuple<const char*, int, int> cases[]{
            {" 42 ", 42, 42}, {"40000", 32767, 32767}, {"-40000", -32768, -32768}, {"lots", 20000, -1}};
        for (const auto& [text, limit, minutes] : cases) {
            SystemSettings s;
            s.setText(K::Max_Length, QLatin1String(text));
            s.setText(K::Auto_Timer, QLatin1String(text));
            QCOMPARE(s.maxLengthLimit(), limit);
            QCOMPARE(s.autoTimerMinutes().value_or(-1), minutes);
        }
    }

    void iniFileFindsAndKeepsWhatItDoesNotWrite()
    {
        TestApp app;
        const QString ini = app.path("a.ini");
        app.writeFile("a.ini", "\xef\xbb\xbf; kept comment\r\n[Mine]\r\nColour=blue\r\n\r\n[system settings]\r\n"
                               "AUTO_TIMER = 5 \r\n");
        QCOMPARE(ReadIniValue(ini, "System Settings", "auto_timer"), QStringLiteral("5"));
        QCOMPARE(ReadIniValue(ini, "mine", "Colour"), QStringLiteral("blue"));
        QCOMPARE(ReadIniValue(ini, "Missing", "Colour") + ReadIniValue(app.path("nofile.ini"), "Mine", "Colour"), QString());
        QVERIFY(WriteIniValue(ini, "system settings", "auto_timer", "7"));
        QVERIFY(WriteIniValue(ini, "Mine", "Size", "é"));
        QCOMPARE(app.readFile("a.ini"), QByteArray("; kept comment\r\n[Mine]\r\nColour=blue\r\nSize=\xc3\xa9\r\n\r\n"
                                                   "[system settings]\r\nauto_timer=7\r\n"));
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
};

QTEST_GUILESS_MAIN(TestSettingsLogic)
#include "test_settingslogic.moc"
