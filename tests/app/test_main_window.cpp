// The main window offscreen: its panes and grid, the windows its menus open, start-up and
// shut-down.
#include "TestSupport.h"
#include "app/ui/frmHelp.h"
#include "reply/ui/frmReporting.h"
#include "formdata/DecodeSubmission.h"
#include "settings/IniFile.h"
#include "settings/ui/frmSettings.h"

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    // The design pane edits the template; a merge while the preview shows appears at once, one
    // made behind another tab when the preview shows again.
    void previewTabMergesTheDesign()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        const auto merge = [&app](const QByteArray& form) {
            app.writeFile("f.dat", form);
            DecodeSubmission(app.path("f.dat"), "f.dat", 0, app.state->variables(), app.state->eventLog());
            app.state->replyTemplate().MergeReplyPreview();
        };
        merge("name=Ann");
        app.state->variables().SetFriendlyName("name", "");
        w.rtfReplyFormDesign->setPlainText("Dear <<name>>,\nthanks.");
        QCOMPARE(app.state->replyTemplate().designText(), QStringLiteral("Dear <<name>>,\r\nthanks."));
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Ann,\nthanks."));
        merge("name=Bo");
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Bo,\nthanks."));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        merge("name=Cy");
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Cy,\nthanks."));
    }

    // The two name columns share the grid equally, however wide the window is made; the values
    // take the rest.
    void gridColumnsFollowTheWindowWidth()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        w.resize(1280, 480);
        const QTableView* grid = w.grdVariableNameDefinitionsAndSource;
        const QList<int> widths{grid->columnWidth(0), grid->columnWidth(1), grid->columnWidth(2)};
        QVERIFY2(widths[0] == widths[1] && widths[0] > 200, qPrintable(QString::number(widths[0])));
        QCOMPARE(widths[0] + widths[1] + widths[2], grid->viewport()->width());
    }

    void eventLogPaneKeepsUpDuringARun()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        EventLog& log = app.state->eventLog();
        app.state->flags.runInProgress = true;
        for (const char* line : {"a", "b", ""})
            log.AppendLine(QLatin1String(line));
        // Whenever the user can look, the pane holds every line so far, in order.
        w.sstMain->setCurrentIndex(frmMain::TabEventLog);
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb\n"));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        log.AppendLine("c");
        QCoreApplication::processEvents(); // as while a message box is open
        QCOMPARE(w.rtfEventLog->toPlainText(), QStringLiteral("\na\nb\n\nc"));
        app.state->flags.runInProgress = false;
        log.AppendLine("d");
        QTest::keyClicks(w.rtfEventLog, "typed"); // the log is the program's to write
        QCOMPARE(w.rtfEventLog->toPlainText(), QString(log.text()).replace("\r\n", "\n"));
    }

    // Process waits while a run goes on, as the toolbar button does; the guide opens once however
    // often it is asked for; menu and toolbar open the settings window, never modal.
    void runMenuAndWindowsItOpens()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        QSignalSpy process(w.toolbarButton("btnProcess"), &QAction::triggered);
        app.state->flags.runInProgress = true;
        w.mnuRunProcess->trigger();
        QCOMPARE(process.count(), 1);
        app.state->flags.runInProgress = false;
        w.mnuRunReport->trigger();
        auto* report = w.findChild<frmReporting*>();
        QVERIFY(report && report->isVisible());
        w.mnuHelpContents->trigger();
        w.mnuHelpContents->trigger();
        const QList<frmHelp*> help = w.findChildren<frmHelp*>();
        QCOMPARE(help.size(), 1);
        QVERIFY(help[0]->isVisible() && help[0]->txtGuide->toPlainText().contains("Design the reply"));
        frmSettings* settings = w.settingsWindow();
        w.mnuOptionsSettings->trigger();
        QVERIFY(settings->isVisible() && !settings->isModal());
        settings->hide();
        w.toolbarButton("btnSettings")->trigger();
        QVERIFY(settings->isVisible());
    }

    // The check signs on with what the boxes hold, sends nothing and answers in one box.
    void checkAccountAnswersInOneBox()
    {
        TestApp app(TestApp::ReadyForRuns);
        SmtpSinkOptions login;
        login.user = "ann@example.com";
        login.password = "right";
        SmtpSink sink(login);
        QVERIFY(sink.isRunning());
        frmMain w(*app.state);
        auto* settings = w.settingsWindow();
        settings->radbtnPOP_Click();
        app.settings().setText(SystemSettings::SMTP_Server_Address, sink.address());
        app.settings().setText(SystemSettings::MAPI_ID, login.user);
        const QString missing = app.path("nowhere");
        for (const auto& [inbox, password, answer] : {
                 std::tuple{app.mail().folder(), "right", QStringLiteral("Inbox: OK\nSMTP: OK")},
                 std::tuple{missing, "wrong", "Inbox: Mail folder " + QDir::toNativeSeparators(missing) +
                                                  " not found\nSMTP: 0108 - SMTP Server refused the login"}}) {
            app.settings().setText(SystemSettings::Mail_Inbox, inbox);
            settings->txtPOPPassword->setText(password);
            app.dialogs.clearShown();
            settings->cmdCheckAccount->click();
            QCOMPARE(app.dialogs.messages(), QStringList{answer});
        }
        QVERIFY(sink.messages().isEmpty() && !app.state->eventLog().text().contains("right"));
    }

    // Without FORM.INI start-up warns and goes on with the defaults; leaving writes them and,
    // with nothing unsaved, asks nothing.
    void startupWarnsWithoutSettingsAndLeavingWritesThem()
    {
        TestApp app;
        frmMain w(*app.state);
        QSignalSpy ended(&w, &frmMain::programEnded);
        QVERIFY(runStartup(*app.state, w, 0));
        QVERIFY(w.isVisible());
        app.settings().setText(SystemSettings::SMTP_Server_Address, "mail:2525");
        w.mnuFileExit->trigger();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(app.dialogs.messages(), QStringList{warning(ErrorCode::ReadingSettings)});
        const auto stored = [&app](const char* key) { return ReadIniValue(app.path("FORM.INI"), "System Settings", key); };
        QCOMPARE(stored("SMTP_Server_Address") + stored("Ignore_Read_MAPI_Messages") + stored("File_Filter"),
                 QStringLiteral("mail:25251*.att;*.dat"));
    }

    // A fatal report ends the program at once: its box, and no settings written. Anything that
    // goes wrong inside the guarded initialisation is the fatal BV_1001, before the window shows.
    void fatalReportsWriteNoSettings()
    {
        TestApp app;
        bool failed = false;
        app.dialogs.onMessageBox = [&failed](const QString&) {
            if (!std::exchange(failed, true))
                throw std::runtime_error("the warning box could not be shown");
        };
        frmMain w(*app.state);
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, runStartup(*app.state, w, 0));
        QCOMPARE(app.dialogs.messages(), QStringList{ErrorReporter::fatalText(ErrorCode::InitialisationFailure)});
        QVERIFY(!w.isVisible());
        QVERIFY(!QFile::exists(app.path("FORM.INI")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
