// What starts a run and what the user sees meanwhile, on the real windows offscreen: the
// location prompt, the return-address check, the busy pointer and the progress window, the
// timer, and the main window while a run waits.
#include "TestSupport.h"
#include "platform/system/ui/QtDialogs.h"
#include "processing/ProcessingTimer.h"
#include "processing/ui/QtRunLauncher.h"
#include "processing/ui/frmLocation_Prompt.h"
#include "processing/ui/frmProcessing.h"
#include "settings/ui/frmSettings.h"

namespace {

// The run rig under the main window; each reply to a saved form asks for its address, which
// is where a run waits for the user.
struct Rig : TestApp
{
    std::unique_ptr<frmMain> window;
    explicit Rig(int forms = 0) : TestApp(ReadyForRuns)
    {
        window = std::make_unique<frmMain>(*state);
        for (int i = 0; i < forms; ++i)
            addForm(QStringLiteral("f%1.dat").arg(i));
    }
    ~Rig()
    {
        // Whatever a test left open is not the next test's business.
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmMain& w() { return *window; }
    QtRunLauncher& launcher() { return *window->launcher(); }
    frmProcessing* progressWindow()
    {
        for (frmProcessing* p : window->findChildren<frmProcessing*>())
            if (p->isVisible())
                return p;
        return nullptr;
    }
    // Whether Process, the file entries and the design can be used.
    QList<bool> entries()
    {
        QList<bool> usable{w().toolbarButton("btnProcess")->isEnabled(), w().mnuFileNew->isEnabled(),
                           w().mnuFileOpen->isEnabled(), !w().rtfReplyFormDesign->isReadOnly(),
                           w().cboVariableNames->isEnabled()};
        for (QAction* a : w().mnuFileHistory)
            usable << a->isEnabled();
        return usable;
    }
    // While a run goes on: the busy pointer, the progress window, no entry usable; afterwards
    // none of it, and nothing that would halt the next run.
    bool busy()
    {
        const QCursor* pointer = QApplication::overrideCursor();
        return pointer && pointer->shape() == Qt::WaitCursor && progressWindow() && !entries().contains(true);
    }
    bool idle()
    {
        return !QApplication::overrideCursor() && !progressWindow() && !entries().contains(false) &&
               !state->flags.runInProgress && !state->flags.cancelRequested;
    }
    void clickProcess() { w().toolbarButton("btnProcess")->trigger(); }
    // Runs read the folder, replies asking for their addresses.
    void chooseFolder()
    {
        settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        settings().setText(SystemSettings::Form_Source, SystemSettings::SourceFolder);
    }
};

} // namespace

class RunTriggersTest : public QObject
{
    Q_OBJECT

private slots:
    void missingReturnAddressOpensTheSettingsInstead()
    {
        Rig rig(1);
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        rig.settings().setText(SystemSettings::SMTP_From_Address, "forms");
        frmSettings* settings = rig.w().settingsWindow();
        settings->tabLeftHandGroup->setCurrentIndex(frmSettings::TabProcessingSettings);
        settings->radbtnLocal->setChecked(true);
        // How the settings window comes up; closed again as the user would.
        QList<bool> opened;
        rig.dialogs.onMessageBox = [&](const QString&) {
            // The timer fires, and the user clicks OK again, while the message is open.
            if (opened.isEmpty()) {
                rig.launcher().tick();
                rig.launcher().StartRun();
            }
            QTimer::singleShot(0, settings, [&] {
                opened << (QApplication::activeModalWidget() == settings && settings->radbtnPOP->isChecked() &&
                           settings->tabLeftHandGroup->currentIndex() == frmSettings::TabFormLocations);
                settings->reject();
            });
        };
        QTimer::singleShot(0, rig.window.get(), [&rig] {
            auto* prompt = rig.w().findChild<frmLocation_Prompt*>();
            QVERIFY(prompt && prompt->isVisible() && prompt->isModal());
            prompt->optProcess_Local->click();
            prompt->btnLocation_Prompt_Ok->click();
        });
        rig.clickProcess();
        QCOMPARE(opened, QList<bool>{true});
        QCOMPARE(rig.dialogs.messages(), QStringList{QtRunLauncher::MissingReturnAddress});
        QVERIFY(rig.state->eventLog().text().isEmpty() && rig.idle());
        // The mail frame shown by the check is no choice of the source.
        QCOMPARE(rig.settings().text(SystemSettings::Form_Source), SystemSettings::SourceFolder);
    }

    // While a run waits the busy pointer, the progress window and the disabled entries stay,
    // and Process does nothing, however it is reached. A real box opened by the run holds the
    // main window only: the progress window's Cancel, clicked through the window system while
    // the box is open, halts the run once the box is answered, and the main window takes no
    // click meanwhile.
    void cancelActsWhileABoxOfTheRunIsOpen()
    {
        Rig rig(3);
        rig.chooseFolder();
        rig.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.w()));
        const auto click = [](QWidget* window, QPoint at) {
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
        };
        QtDialogs real;
        bool asked = false;
        QList<bool> seen;
        rig.dialogs.onInputBox = [&] {
            if (std::exchange(asked, true))
                return;
            seen << rig.busy();
            rig.clickProcess();
            rig.launcher().processClicked();
            QTimer::singleShot(0, rig.window.get(), [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                frmProcessing* progress = rig.progressWindow();
                QVERIFY(box && progress);
                seen << (box->windowModality() == Qt::WindowModal && box->parentWidget() == rig.window.get());
                QTabBar* tabs = rig.w().sstMain;
                click(&rig.w(), tabs->mapTo(&rig.w(), tabs->tabRect(frmMain::TabEventLog).center()));
                seen << (tabs->currentIndex() == frmMain::TabFormData);
                QPushButton* cancel = progress->Command1;
                click(progress, cancel->mapTo(progress, cancel->rect().center()));
                seen << rig.state->flags.cancelRequested;
                box->button(QMessageBox::Ok)->click();
            });
            real.messageBox(QStringLiteral("During the run"), Dialogs::Icon::Information, Dialogs::Buttons::Ok);
        };
        rig.launcher().StartRun();
        QCOMPARE(seen, (QList<bool>{true, true, true, true}));
        QCOMPARE(rig.log().count(RunLog::Opening), 1);
        QCOMPARE(rig.items(), QStringList({"f0.dat processed [OK]", "", "File processing was halted by user", ""}));
        QVERIFY(rig.idle());
    }

    // The file dialogs read the program's "text|patterns|..." filters as Qt's name filters, the
    // patterns that a description gives shown once.
    void fileDialogFiltersInQtForm()
    {
        QCOMPARE(QtDialogs::qtNameFilters("Mailto Form (*.dat, *.att)|*.dat;*.att|All Files (*.*)|*.*"),
                 QStringLiteral("Mailto Form (*.dat *.att);;All Files (*)"));
    }

    void timerRunsEveryNthMinute()
    {
        struct Case
        {
            const char* minutes; // after the fifth tick the part after the comma
            int autoOpen;
            QList<int> busy, runs; // ticks that come while a run goes on, ticks that start one
            int elapsed;
        };
        // A shorter interval applies at once; ticks in a run are skipped; a timer without
        // auto-open, or with no number of minutes, is off.
        const Case cases[]{{"3", 1, {}, {3, 6, 9}, 0}, {"10,2", 1, {}, {6, 8}, 1}, {"2", 1, {2, 3, 4}, {5, 7, 9}, 0},
                           {"1", 0, {}, {}, 0},        {"0", 1, {}, {}, 0},      {"soon", 1, {}, {}, 0}};
        for (const Case& c : cases) {
            TestApp app;
            app.settings().setFlag(SystemSettings::Auto_Open_Template, c.autoOpen);
            QList<int> runs;
            int tick = 0;
            ProcessingTimer timer(app.state->settings(), app.state->flags, [&] { runs << tick; });
            for (tick = 1; tick <= 9; ++tick) {
                const int part = tick > 5 ? -1 : 0;
                app.settings().setText(SystemSettings::Auto_Timer, QString(c.minutes).section(',', part, part));
                app.state->flags.runInProgress = c.busy.contains(tick);
                timer.tick();
            }
            QCOMPARE(runs, c.runs);
            QCOMPARE(app.state->flags.minutesElapsed, c.elapsed);
        }
    }
};

QTEST_MAIN(RunTriggersTest)
#include "test_run_triggers.moc"
