#include "TestSupport.h"
#include "settings/IniFile.h"

#include <QtTest>

class IniFileTest : public QObject
{
    Q_OBJECT

private slots:
    void findsSectionsAndKeysWithoutRegardToCase()
    {
        TestApp app;
        app.writeFile("a.ini", "[system settings]\r\nAUTO_TIMER = 5 \r\n[Other]\r\nAuto_Timer=9\r\n");
        QCOMPARE(ReadIniValue(app.path("a.ini"), "System Settings", "Auto_Timer"), QStringLiteral("5"));
        QCOMPARE(ReadIniValue(app.path("a.ini"), "OTHER", "auto_timer"), QStringLiteral("9"));
        QCOMPARE(ReadIniValue(app.path("a.ini"), "Missing", "Auto_Timer"), QString());
        QCOMPARE(ReadIniValue(app.path("a.ini"), "Other", "Missing"), QString());
        QCOMPARE(ReadIniValue(app.path("nofile.ini"), "Other", "Auto_Timer"), QString());
    }

    void writeKeepsEverythingElse()
    {
        TestApp app;
        const QByteArray before = "; kept comment\r\n[Mine]\r\nColour=blue\r\n\r\n"
                                  "[System Settings]\r\nAuto_Timer=5\r\nLocal_Path=C:\\forms\\\r\n";
        app.writeFile("a.ini", before);
        QVERIFY(WriteIniValue(app.path("a.ini"), "system settings", "auto_timer", "7"));
        QVERIFY(WriteIniValue(app.path("a.ini"), "Mine", "Size", "L"));
        QCOMPARE(app.readFile("a.ini"),
                 QByteArray("; kept comment\r\n[Mine]\r\nColour=blue\r\nSize=L\r\n\r\n"
                            "[System Settings]\r\nauto_timer=7\r\nLocal_Path=C:\\forms\\\r\n"));
    }

    // A missing file and section are made; a value is cut at 254 characters and its line
    // breaks become blanks, so that it cannot add entries of its own.
    void writtenValuesStayOneEntry()
    {
        TestApp app;
        const QString ini = app.path("new.ini");
        QVERIFY(WriteIniValue(ini, "S", "K", QString(300, 'x')));
        QVERIFY(WriteIniValue(ini, "Second", "K", "one\r\n[Evil]\nX=1"));
        QCOMPARE(ReadIniValue(ini, "S", "K"), QString(254, 'x'));
        QCOMPARE(ReadIniValue(ini, "Evil", "X"), QString());
        QCOMPARE(ReadIniValue(ini, "Second", "K"), QStringLiteral("one  [Evil] X=1"));
    }

    void readsWindows1252AndWritesUtf8()
    {
        TestApp app;
        app.writeFile("a.ini", "[S]\r\nSubject=Re\xe7u \x80\r\n");
        QCOMPARE(ReadIniValue(app.path("a.ini"), "S", "Subject"), QStringLiteral("Reçu €"));
        QVERIFY(WriteIniValue(app.path("a.ini"), "S", "Other", "é"));
        QCOMPARE(app.readFile("a.ini"), QByteArray("[S]\r\nSubject=Re\xc3\xa7u \xe2\x82\xac\r\nOther=\xc3\xa9\r\n"));
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "test_ini_file.moc"
