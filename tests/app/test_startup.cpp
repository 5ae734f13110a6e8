#include "HookedDialogs.h"
#include "TestSupport.h"
#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "settings/IniFile.h"

#include <QAction>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

class StartupTest : public QObject
{
    Q_OBJECT

    static QString stored(const TestApp& app, const char* key)
    {
        return ReadIniValue(app.path("FORM.INI"), "System Settings", key);
    }

private slots:
    void missingSettingsWarnThenExitWritesThem()
    {
        TestApp app;
        frmMain w(*app.state);
        QSignalSpy ended(&w, &frmMain::programEnded);
        QVERIFY(runStartup(*app.state, w, 0));
        QCOMPARE(app.dialogs.messages(),
                 QStringList{ErrorReporter::warningText(ErrorCode::ReadingSettings)});
        QVERIFY(w.isVisible());
        QCOMPARE(app.state->settings().localFolder(), QString("/"));

        w.mnuFileExit->trigger();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(stored(app, "Ignore_Read_MAPI_Messages"), QString("1"));
        QCOMPARE(stored(app, "File_Filter"), QString("*.att;*.dat"));
    }

    void storedSettingsLoadSilentlyAndClosingSavesEdits()
    {
        TestApp app;
        app.writeFile("FORM.INI", "[System Settings]\r\nLocal_Path=/srv/forms\r\n"
                                  "File_Filter=*.txt\r\nIgnore_Read_MAPI_Messages=0\r\n");
        frmMain w(*app.state);
        QVERIFY(runStartup(*app.state, w, 0));
        QVERIFY(app.dialogs.shown().isEmpty());
        QCOMPARE(app.state->settings().localFolder(), QString("/srv/forms/"));
        QCOMPARE(app.state->settings().fileFilter(), QString("*.txt"));
        QCOMPARE(app.state->settings().flag(SystemSettings::Ignore_Read_MAPI_Messages), 0);
        QCOMPARE(w.sstMain->currentIndex(), int(frmMain::TabFormData));

        app.state->settings().setText(SystemSettings::SMTP_Server_Address, "mail:2525");
        QSignalSpy ended(&w, &frmMain::programEnded);
        w.close();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(stored(app, "SMTP_Server_Address"), QString("mail:2525"));
    }

    void fatalReportWritesNoSettings()
    {
        TestApp app;
        frmMain w(*app.state);
        QVERIFY(runStartup(*app.state, w, 0));
        app.state->settings().setText(SystemSettings::Auto_Timer, "3");
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, app.state->errors().ReportError(
                                                        ErrorCode::UpdatingSourceGrid, true));
        QVERIFY(!QFile::exists(app.path("FORM.INI")));
    }

    // Anything that goes wrong inside the guarded initialisation is the fatal BV_1001, and the
    // program ends before the main window shows.
    void failureWhileInitialisingIsFatal()
    {
        TestApp app;
        HookedDialogs dialogs;
        bool failed = false;
        dialogs.onMessageBox = [&failed](const QString&) {
            if (!failed) {
                failed = true;
                throw std::runtime_error("the warning box could not be shown");
            }
        };
        AppState state(app.folder(), dialogs, [] { throw ProgramTerminated{}; });
        frmMain w(state);
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, runStartup(state, w, 0));
        QCOMPARE(dialogs.messages(),
                 QStringList{ErrorReporter::fatalText(ErrorCode::InitialisationFailure)});
        QCOMPARE(dialogs.shown().constFirst().icon, Dialogs::Icon::Critical);
        QVERIFY(!w.isVisible());
        QVERIFY(!QFile::exists(app.path("FORM.INI")));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
