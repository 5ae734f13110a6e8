#include "TestSupport.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "settings/IniFile.h"

#include <QAction>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void missingSettingsWarnThenExitWritesThemAll()
    {
        TestApp app;
        frmMain w(*app.state);
        QSignalSpy ended(&w, &frmMain::programEnded);
        QVERIFY(runStartup(*app.state, w, 0));
        QCOMPARE(app.dialogs.messages(),
                 QStringList{ErrorReporter::warningText(ErrorCode::ReadingSettings)});
        QVERIFY(w.isVisible());
        QCOMPARE(app.state->settings().localFolder(), QStringLiteral("/"));

        w.mnuFileExit->trigger();
        QCOMPARE(ended.count(), 1);
        const QString ini = app.path(QStringLiteral("FORM.INI"));
        IniFile file;
        QVERIFY(file.load(ini));
        for (int k = 0; k < SystemSettings::KeyCount; ++k) {
            const auto key = SystemSettings::Key(k);
            QVERIFY2(file.contains(QStringLiteral("System Settings"), SystemSettings::keyName(key)),
                     qPrintable(SystemSettings::keyName(key)));
        }
        QCOMPARE(ReadIniValue(ini, "System Settings", "Ignore_Read_MAPI_Messages"), QStringLiteral("1"));
        QCOMPARE(ReadIniValue(ini, "System Settings", "File_Filter"), QStringLiteral("*.att;*.dat"));
    }

    void storedSettingsLoadSilently()
    {
        TestApp app;
        app.writeFile(QStringLiteral("FORM.INI"),
                      "[System Settings]\r\nLocal_Path=/srv/forms\r\nFile_Filter=*.txt\r\n"
                      "Ignore_Read_MAPI_Messages=0\r\n");
        frmMain w(*app.state);
        QVERIFY(runStartup(*app.state, w, 0));
        QVERIFY(app.dialogs.shown().isEmpty());
        QCOMPARE(app.state->settings().localFolder(), QStringLiteral("/srv/forms/"));
        QCOMPARE(app.state->settings().fileFilter(), QStringLiteral("*.txt"));
        QCOMPARE(app.state->settings().flag(SystemSettings::Ignore_Read_MAPI_Messages), 0);
        QCOMPARE(w.sstMain->currentIndex(), int(frmMain::TabFormData));
    }

    void closingTheWindowSavesEditsOnce()
    {
        TestApp app;
        frmMain w(*app.state);
        QVERIFY(runStartup(*app.state, w, 0));
        app.state->settings().setText(SystemSettings::SMTP_Server_Address, QStringLiteral("mail:2525"));
        QSignalSpy ended(&w, &frmMain::programEnded);
        w.close();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ReadIniValue(app.path("FORM.INI"), "System Settings", "SMTP_Server_Address"),
                 QStringLiteral("mail:2525"));
    }

    void fatalReportWritesNoSettings()
    {
        TestApp app;
        frmMain w(*app.state);
        QVERIFY(runStartup(*app.state, w, 0));
        app.state->settings().setText(SystemSettings::Auto_Timer, QStringLiteral("3"));
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated,
                                 app.state->errors().ReportError(ErrorCode::UpdatingSourceGrid, true));
        QVERIFY(!QFile::exists(app.path(QStringLiteral("FORM.INI"))));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
