// What starts a run and what the user sees meanwhile, on the real windows offscreen: the
// location prompt, the return-address check, the busy pointer and the progress window, the
// timer, the start-up run, and the main window while a run waits.
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
    explicit Rig(int forms = 0)
    {
        prepareRuns();
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
    int runs() { return int(log().count(RunLog::Opening)); }
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
    // Answers the location prompt once it is open: the given option, then OK or Cancel.
    void answerPrompt(FormSource source, bool ok, FormSource* shownChoice = nullptr)
    {
        QTimer::singleShot(0, window.get(), [this, source, ok, shownChoice] {
            auto* prompt = window->findChild<frmLocation_Prompt*>();
            QVERIFY(prompt && prompt->isVisible() && prompt->isModal());
            if (shownChoice)
                *shownChoice = prompt->source();
            (source == FormSource::Folder ? prompt->optProcess_Local : prompt->optProcess_Email)->click();
            (ok ? prompt->btnLocation_Prompt_Ok : prompt->btnLocation_Prompt_Cancel)->click();
        });
    }
    void clickProcess() { w().toolbarButton("btnProcess")->trigger(); }
    // Runs read the folder, replies asking for their addresses.
    void chooseFolder()
    {
        settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        settings().setText(SystemSettings::Form_Source, SystemSettings::SourceFolder);
    }
    QString storedSource() { return settings().text(SystemSettings::Form_Source); }
    void runEvery(const char* minutes)
    {
        settings().setText(SystemSettings::Auto_Timer, QLatin1String(minutes));
        settings().setFlag(SystemSettings::Auto_Open_Template, 1);
    }
};

} // namespace

class RunTriggersTest : public QObject
{
    Q_OBJECT

private slots:
    // The prompt opens on the stored source and its OK stores the choice; Cancel stores nothing.
    // Timed and start-up runs read the stored source too.
    void promptTimerAndStartUpShareTheStoredSource()
    {
        Rig rig(1);
        rig.deliver("Bo <bo@x.org>");
        FormSource shown = FormSource::Folder;
        rig.answerPrompt(FormSource::Folder, true, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Inbox);
        QCOMPARE(rig.items(), QStringList{"f0.dat processed [OK]"});
        QCOMPARE(rig.storedSource(), SystemSettings::SourceFolder);
        auto* prompt = rig.w().findChild<frmLocation_Prompt*>();
        QVERIFY(!prompt->isVisible());
        rig.answerPrompt(FormSource::Inbox, false, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Folder);
        QCOMPARE(rig.runs(), 1);
        QCOMPARE(rig.storedSource(), SystemSettings::SourceFolder);
        rig.launcher().runAtStartup();
        QCOMPARE(rig.items(), QStringList{"f0.dat processed [OK]"});
        // Changed elsewhere (the settings window), the source is what the next prompt shows.
        rig.settings().setText(SystemSettings::Form_Source, SystemSettings::SourceInbox);
        rig.runEvery("1");
        rig.launcher().tick();
        QCOMPARE(rig.runs(), 3);
        QCOMPARE(rig.items(), QStringList{"bo@x.org processed [OK]"});
        rig.answerPrompt(FormSource::Inbox, false, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Inbox);
        QCOMPARE(rig.w().findChildren<frmLocation_Prompt*>(), QList<frmLocation_Prompt*>{prompt});
    }

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
        rig.answerPrompt(FormSource::Folder, true);
        rig.clickProcess();
        QCOMPARE(opened, QList<bool>{true});
        QCOMPARE(rig.dialogs.messages(), QStringList{QtRunLauncher::MissingReturnAddress});
        QVERIFY(rig.state->eventLog().text().isEmpty() && rig.idle());
        // The mail frame shown by the check is no choice of the source.
        QCOMPARE(rig.storedSource(), SystemSettings::SourceFolder);
    }

    void busyPointerProgressWindowAndDisabledEntriesLastAsLongAsTheRun()
    {
        Rig rig(2);
        rig.chooseFolder();
        QList<bool> during;
        rig.dialogs.onInputBox = [&] {
            during << rig.busy();
            // The Process button does nothing now, however it is reached.
            rig.clickProcess();
            rig.launcher().processClicked();
        };
        rig.launcher().StartRun();
        QCOMPARE(during, (QList<bool>{true, true}));
        QCOMPARE(rig.runs(), 1);
        QVERIFY(rig.idle());
    }

    void cancelWhileAReplyIsSentOverSmtp()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.sendRepliesThrough(sink.address());
        for (const char* who : {"A <a@x.org>", "B <b@x.org>", "C <c@x.org>"})
            rig.deliver(QLatin1String(who));
        // Clicked at the first moment the run lets the window act: while the reply waits for
        // the mail server. The window closes for good and is deleted while the reply is still
        // on its way.
        bool clicked = false;
        QTimer::singleShot(0, rig.window.get(), [&] {
            if (frmProcessing* p = rig.progressWindow())
                clicked = (p->Command1->click(), true);
        });
        rig.launcher().StartRun();
        QVERIFY(clicked);
        QCOMPARE(rig.items(), QStringList({"a@x.org processed [OK]", "   SMTP Send to a@x.org [OK]", "",
                                           "File processing was halted by user", ""}));
        // The items the halt kept the run from reaching count as ok.
        QCOMPARE(rig.summary(), RunLog::summary("3 files were processed", "3 files were ok", "0 files were ignored",
                                                "0 errors were found"));
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(rig.idle());
    }
    // A real box opened by the run holds the main window only: the progress window's Cancel,
    // clicked through the window system while the box is open, halts the run once the box is
    // answered, and the main window takes no click meanwhile.
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
        QCOMPARE(seen, (QList<bool>{true, true, true}));
        QCOMPARE(rig.items(), QStringList({"f0.dat processed [OK]", "", "File processing was halted by user", ""}));
        QVERIFY(rig.idle());
    }

    // The file dialogs read the program's "text|patterns|..." filters as Qt's name filters.
    void fileDialogFiltersInQtForm()
    {
        QCOMPARE(QtDialogs::qtNameFilters("Forms|*.att;*.dat|All Files|*.*"), QStringLiteral("Forms (*.att *.dat);;All Files (*)"));
        // Patterns the description gives are shown once, as Qt reads them.
        QCOMPARE(QtDialogs::qtNameFilters("Mailto Form (*.dat, *.att)|*.dat;*.att|All Files (*.*)|*.*"),
                 QStringLiteral("Mailto Form (*.dat *.att);;All Files (*)"));
    }

    void timerRunsEveryNthMinute_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("autoOpen");
        QTest::addColumn<QList<int>>("busy"); // ticks that come while a run goes on
        QTest::addColumn<QList<int>>("runs");
        QTest::addColumn<int>("elapsed");
        const QList<int> none;
        QTest::newRow("every third") << "3" << 1 << none << QList<int>{3, 6, 9} << 0;
        // A shorter interval applies at once: 10 until the fifth tick, then 2.
        QTest::newRow("shortened") << "10,2" << 1 << none << QList<int>{6, 8} << 1;
        QTest::newRow("ticks in a run are skipped") << "2" << 1 << QList<int>{2, 3, 4} << QList<int>{5, 7, 9} << 0;
        QTest::newRow("without auto-open") << "1" << 0 << none << none << 0;
        for (const char* off : {"0", "soon", "", "-2"})
            QTest::newRow(off) << off << 1 << none << none << 0;
    }
    void timerRunsEveryNthMinute()
    {
        QFETCH(QString, minutes);
        QFETCH(int, autoOpen);
        QFETCH(QList<int>, busy);
        TestApp app;
        app.settings().setFlag(SystemSettings::Auto_Open_Template, autoOpen);
        QList<int> runs;
        int tick = 0;
        ProcessingTimer timer(app.state->settings(), app.state->flags, [&] { runs << tick; });
        for (tick = 1; tick <= 9; ++tick) {
            const int part = tick > 5 ? -1 : 0;
            app.settings().setText(SystemSettings::Auto_Timer, minutes.section(',', part, part));
            app.state->flags.runInProgress = busy.contains(tick);
            timer.tick();
        }
        QTEST(runs, "runs");
        QTEST(app.state->flags.minutesElapsed, "elapsed");
    }

    void closingTheMainWindowDuringARun()
    {
        Rig rig(3);
        rig.chooseFolder();
        rig.w().show();
        rig.state->replyTemplate().setDesignText("Dear <<name>>,");
        QSignalSpy ended(&rig.w(), &frmMain::programEnded);
        // The save question comes after the run, under the normal pointer.
        bool busyAtQuestion = true;
        rig.dialogs.onMessageBox = [&](const QString&) { busyAtQuestion = QApplication::overrideCursor(); };
        bool stillOpen = false, asked = false;
        rig.dialogs.onInputBox = [&] {
            if (std::exchange(asked, true))
                return;
            rig.w().close();
            stillOpen = rig.w().isVisible() && ended.isEmpty() && rig.state->flags.cancelRequested;
        };
        rig.launcher().StartRun();
        QVERIFY(stillOpen);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(rig.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
        QVERIFY(!busyAtQuestion && !rig.w().isVisible());
        // The item in hand was finished and recorded, then the run wrote its closing lines.
        QCOMPARE(rig.items(), QStringList({"f0.dat processed [OK]", "", "File processing was halted by user", ""}));
        QCOMPARE(rig.rows().size(), 1);
        QVERIFY(QFile::exists(rig.path("FORM.INI")));
        QVERIFY(rig.idle());
    }
};

QTEST_MAIN(RunTriggersTest)
#include "test_run_triggers.moc"
