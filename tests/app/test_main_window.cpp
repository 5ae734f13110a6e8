// The main window offscreen, its About window, start-up and shut-down.
#include "TestSupport.h"
#include "app/ProductInfo.h"
#include "app/SystemInformation.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmHelp.h"
#include "reply/ui/frmReporting.h"
#include "formdata/DecodeSubmission.h"
#include "platform/system/ProgramLauncher.h"
#include "platform/system/Registry.h"
#include "platform/system/WebLink.h"
#include "settings/IniFile.h"
#include "settings/ui/frmSettings.h"

namespace {

// A registry without the tool's keys and a system without any of the tools.
struct NoTools : Registry, ProgramLauncher
{
    std::optional<QString> GetKeyValue(Root, const QString&, const QString&) override { return {}; }
    bool start(const QString&) override { return false; }
    QString findOnPath(const QString&) override { return {}; }
};

QString stored(const TestApp& app, const char* key)
{
    return ReadIniValue(app.path("FORM.INI"), "System Settings", key);
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void previewTabMergesTheDesign()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        const auto decode = [&app](const QByteArray& form) {
            app.writeFile("f.dat", form);
            DecodeSubmission(app.path("f.dat"), "f.dat", 0, app.state->variables(), app.state->eventLog());
        };
        decode("name=Ann");
        app.state->variables().SetFriendlyName("name", "");
        w.rtfReplyFormDesign->setPlainText("Dear <<name>>,\nthanks.");
        QCOMPARE(app.state->replyTemplate().designText(), QStringLiteral("Dear <<name>>,\r\nthanks."));
        QVERIFY(app.state->replyTemplate().isChanged()); // an edit in the pane is the user's
        app.state->replyTemplate().setChanged(false);
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Ann,\nthanks."));
        QVERIFY(app.state->replyTemplate().isChanged());
        // A merge while the preview shows appears at once; one made behind another tab appears
        // when the preview shows again.
        decode("name=Bo");
        app.state->replyTemplate().MergeReplyPreview();
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Bo,\nthanks."));
        w.sstMain->setCurrentIndex(frmMain::TabFormData);
        decode("name=Cy");
        app.state->replyTemplate().MergeReplyPreview();
        w.sstMain->setCurrentIndex(frmMain::TabPreview);
        QCOMPARE(w.rtfReplyFormPreview->toPlainText(), QStringLiteral("Dear Cy,\nthanks."));
    }

    // The two name columns keep their equal share of the grid as the window is resized.
    void gridColumnsFollowTheWindowWidth()
    {
        TestApp app;
        frmMain w(*app.state);
        w.show();
        QTableView* grid = w.grdVariableNameDefinitionsAndSource;
        QList<int> widths;
        for (int width : {640, 1280}) {
            w.resize(width, 480);
            widths << grid->columnWidth(0) << grid->columnWidth(1);
        }
        QCOMPARE(widths[0], widths[1]);
        QCOMPARE(widths[2], widths[3]);
        QVERIFY2(widths[2] > widths[0] + 100, qPrintable(QString::number(widths[0]) + " " + QString::number(widths[2])));
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
        QCOMPARE(w.rtfEventLog->toPlainText(), QString(log.text()).replace("\r\n", "\n"));
    }

    void aboutOpensItsLinksOnceAtATimeAndCloses()
    {
        TestApp app;
        frmMain window(*app.state);
        for (int i = 0; i < 2; ++i) {
            window.mnuHelpAbout->trigger();
            window.mnuHelpAbout->trigger();
            QCOMPARE(window.findChildren<frmAbout*>().size(), 1);
            QPointer<frmAbout> about = window.findChild<frmAbout*>();
            QVERIFY(about->isVisible() && window.isEnabled());
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(about.isNull()); // unloaded: the next About builds a fresh window
        }
        frmAbout about(app.dialogs);
        QStringList opened;
        about.WebLink1->setOpener([&opened](const QString& address) {
            opened << address;
            return true;
        });
        QTest::mouseClick(about.lblURL, Qt::LeftButton);
        QCOMPARE(opened, QStringList{ProductInfo::webAddress()});
        NoTools none;
        SystemInformation info(none, none, app.dialogs, {"hardinfo"});
        about.useSystemInformation(&info);
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QCOMPARE(app.dialogs.messages(), QStringList{"System Information Is Unavailable At This Time"});
    }

    // Process waits while a run goes on, as the toolbar button does; Esc closes the report
    // window; the guide opens once however often it is asked for.
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
        QTest::keyClick(report, Qt::Key_Escape);
        QVERIFY(!report->isVisible());
        w.mnuHelpContents->trigger();
        w.mnuHelpContents->trigger();
        const QList<frmHelp*> help = w.findChildren<frmHelp*>();
        QCOMPARE(help.size(), 1);
        QVERIFY(help[0]->isVisible() && help[0]->txtGuide->toPlainText().contains("Design the reply"));
    }

    // The check signs on with what the boxes hold, sends nothing and answers in one box.
    void checkAccountAnswersInOneBox()
    {
        TestApp app;
        app.prepareRuns();
        SmtpSinkOptions login;
        login.user = "ann@example.com";
        login.password = "right";
        SmtpSink sink(login);
        QVERIFY(sink.isRunning());
        frmMain w(*app.state);
        auto* settings = w.findChild<frmSettings*>();
        QVERIFY(settings);
        settings->radbtnPOP_Click();
        using K = SystemSettings;
        app.settings().setText(K::SMTP_Server_Address, sink.address());
        app.settings().setText(K::MAPI_ID, login.user);
        const QString missing = app.path("nowhere");
        struct Case { QString inbox, password, answer; };
        const Case cases[]{
            {app.mail().folder(), "right", "Inbox: OK\nSMTP: OK"},
            {missing, "wrong",
             "Inbox: Mail folder " + QDir::toNativeSeparators(missing) +
                 " not found\nSMTP: 0108 - SMTP Server refused the login"},
        };
        for (const Case& c : cases) {
            app.settings().setText(K::Mail_Inbox, c.inbox);
            settings->txtPOPPassword->setText(c.password);
            app.dialogs.clearShown();
            settings->cmdCheckAccount->click();
            QCOMPARE(app.dialogs.messages(), QStringList{c.answer});
            QCOMPARE(app.dialogs.shown().first().icon, Dialogs::Icon::Information);
        }
        QCOMPARE(sink.connections(), 2);
        QVERIFY(sink.messages().isEmpty());
        QVERIFY(!app.state->eventLog().text().contains("right"));
    }

    void startupLoadsTheSettingsAndLeavingWritesThem()
    {
        for (const QByteArray& ini : {QByteArray(), QByteArray("[System Settings]\nLocal_Path=/srv/forms\nIgnore_Read_MAPI_Messages=0\n")}) {
            TestApp app;
            if (!ini.isEmpty())
                app.writeFile("FORM.INI", ini);
            frmMain w(*app.state);
            QSignalSpy ended(&w, &frmMain::programEnded);
            QVERIFY(runStartup(*app.state, w, 0));
            QVERIFY(w.isVisible());
            QCOMPARE(app.dialogs.messages(), ini.isEmpty() ? QStringList{warning(ErrorCode::ReadingSettings)} : QStringList());
            QCOMPARE(app.settings().localFolder(), ini.isEmpty() ? QStringLiteral("/") : QStringLiteral("/srv/forms/"));
            app.settings().setText(SystemSettings::SMTP_Server_Address, "mail:2525");
            if (ini.isEmpty())
                w.mnuFileExit->trigger();
            else
                w.close();
            QCOMPARE(ended.count(), 1);
            QCOMPARE(stored(app, "SMTP_Server_Address") + stored(app, "Ignore_Read_MAPI_Messages"),
                     ini.isEmpty() ? QStringLiteral("mail:25251") : QStringLiteral("mail:25250"));
            QCOMPARE(stored(app, "File_Filter"), ini.isEmpty() ? QStringLiteral("*.att;*.dat") : QString());
        }
    }

    // A fatal report ends the program at once: its box, and no settings written. Anything that
    // goes wrong inside the guarded initialisation is the fatal BV_1001, before the window shows.
    void fatalReportsWriteNoSettings()
    {
        TestApp app;
        frmMain w(*app.state);
        QVERIFY(runStartup(*app.state, w, 0));
        app.dialogs.clearShown();
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated,
                                 app.state->errors().ReportError(ErrorCode::UpdatingSourceGrid, true));
        QCOMPARE(app.dialogs.messages(), QStringList{"A Fatal Error has occured (Error Code BV_4002 : Error "
                                                     "updating source grid).  This application will terminate."});
        QCOMPARE(app.dialogs.shown().at(0).icon, Dialogs::Icon::Critical);
        QVERIFY(!QFile::exists(app.path("FORM.INI")));

        TestApp failing;
        bool failed = false;
        failing.dialogs.onMessageBox = [&failed](const QString&) {
            if (!std::exchange(failed, true))
                throw std::runtime_error("the warning box could not be shown");
        };
        frmMain second(*failing.state);
        QVERIFY_THROWS_EXCEPTION(ProgramTerminated, runStartup(*failing.state, second, 0));
        QCOMPARE(failing.dialogs.messages(), QStringList{ErrorReporter::fatalText(ErrorCode::InitialisationFailure)});
        QVERIFY(!second.isVisible());
        QVERIFY(!QFile::exists(failing.path("FORM.INI")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
