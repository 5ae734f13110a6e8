// What starts a run and what the user sees meanwhile, on the real windows offscreen: the
// location prompt, the return-address check, the busy pointer and the progress window, the
// timer, the start-up run, and the main window while a run waits.
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestSupport.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "design/TemplateFile.h"
#include "processing/ProcessingTimer.h"
#include "processing/QtRunLauncher.h"
#include "processing/frmLocation_Prompt.h"
#include "processing/frmProcessing.h"
#include "settings/frmSettings.h"

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

// The run rig under the main window.
struct Rig : TestApp
{
    std::unique_ptr<frmMain> window;
    Rig()
    {
        prepareRuns();
        window = std::make_unique<frmMain>(*state);
    }
    ~Rig()
    {
        // Whatever a test left open is not the next test's business.
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmMain& w() { return *window; }
    QtRunLauncher& launcher() { return *window->launcher(); }
    void addForms(int n)
    {
        for (int i = 0; i < n; ++i)
            addForm(QStringLiteral("f%1.dat").arg(i));
    }
    int runs() { return int(log().count(RunLog::Opening)); }
    frmProcessing* progressWindow()
    {
        for (frmProcessing* p : window->findChildren<frmProcessing*>())
            if (p->isVisible())
                return p;
        return nullptr;
    }
    // Whether Process and each file entry can be used.
    QList<bool> entries()
    {
        QList<bool> usable{w().toolbarButton(QStringLiteral("btnProcess"))->isEnabled(),
                           w().mnuFileNew->isEnabled(), w().mnuFileOpen->isEnabled()};
        for (QAction* a : w().mnuFileHistory)
            usable << a->isEnabled();
        return usable;
    }
    // While a run goes on: the busy pointer, the progress window, no entry usable. Afterwards
    // none of it, and nothing that would halt the next run.
    bool busy()
    {
        return QApplication::overrideCursor() &&
               QApplication::overrideCursor()->shape() == Qt::WaitCursor && progressWindow() &&
               !entries().contains(true);
    }
    bool idle()
    {
        return !QApplication::overrideCursor() && !progressWindow() && !entries().contains(false) &&
               !state->runInProgress && !state->cancelRequested;
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
    void clickProcess() { w().toolbarButton(QStringLiteral("btnProcess"))->trigger(); }
    // Forms in the folder, chosen at the prompt without a run; each reply asks for its address,
    // which is where a run waits for the user.
    void chooseFolderOf(int forms)
    {
        addForms(forms);
        settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        answerPrompt(FormSource::Folder, false);
        clickProcess();
    }
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
    void promptIsMadeOnceAndKeepsItsChoice()
    {
        Rig rig;
        rig.addForms(1);
        rig.deliver(QStringLiteral("Bo <bo@x.org>"));
        FormSource shown = FormSource::Folder;
        rig.answerPrompt(FormSource::Folder, true, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Inbox); // Inbox before the user first changes it
        QCOMPARE(rig.items(), QStringList{"f0.dat processed [OK]"});
        auto* prompt = rig.w().findChild<frmLocation_Prompt*>();
        QVERIFY(!prompt->isVisible());

        // Cancel hides the prompt and starts nothing, but the choice stays as the user left it.
        rig.answerPrompt(FormSource::Folder, false, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Folder);
        QCOMPARE(rig.runs(), 1);
        rig.answerPrompt(FormSource::Inbox, true);
        rig.clickProcess();
        QCOMPARE(rig.items(), QStringList{"bo@x.org processed [OK]"});
        QCOMPARE(rig.w().findChildren<frmLocation_Prompt*>(), QList<frmLocation_Prompt*>{prompt});
    }

    void missingReturnAddressOpensTheSettingsInstead()
    {
        Rig rig;
        rig.addForms(1);
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        rig.settings().setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms"));
        frmSettings* settings = rig.w().settingsWindow();
        settings->tabLeftHandGroup->setCurrentIndex(frmSettings::TabProcessingSettings);
        settings->radbtnLocal->setChecked(true);
        // How the settings window comes up; closed again as the user would.
        QStringList opened;
        int ticksWhileAsking = 0;
        rig.dialogs.onMessageBox = [&](const QString&) {
            // The timer fires, and the user clicks OK again, while the message is open.
            if (ticksWhileAsking++ == 0) {
                rig.launcher().tick();
                rig.launcher().StartRun();
            }
            QTimer::singleShot(0, settings, [&] {
                const bool modal = QApplication::activeModalWidget() == settings;
                opened << QStringLiteral("%1 %2 %3")
                              .arg(int(modal))
                              .arg(settings->tabLeftHandGroup->currentIndex())
                              .arg(int(settings->radbtnPOP->isChecked()));
                settings->reject();
            });
        };
        rig.answerPrompt(FormSource::Folder, true);
        rig.clickProcess();
        const QString formLocations = QStringLiteral("1 %1 1").arg(frmSettings::TabFormLocations);
        QCOMPARE(opened, QStringList{formLocations});
        QCOMPARE(rig.dialogs.messages(), QStringList{QtRunLauncher::MissingReturnAddress});
        QVERIFY(rig.state->eventLog().text().isEmpty());
        QVERIFY(rig.idle());

        // A timed run meets the same check, and the tick still starts counting afresh.
        rig.runEvery("1");
        rig.launcher().tick();
        QCOMPARE(opened.size(), 2);
        QVERIFY(rig.state->eventLog().text().isEmpty());
        QCOMPARE(rig.state->minutesElapsed, 0);
        // With replies suppressed there is nothing to send from, and the run starts.
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        rig.launcher().StartRun();
        QCOMPARE(rig.runs(), 1);
    }

    void busyPointerProgressWindowAndDisabledEntriesLastAsLongAsTheRun()
    {
        Rig rig;
        rig.chooseFolderOf(2);
        QList<bool> during;
        int maximum = -1;
        rig.dialogs.onInputBox = [&] {
            during << rig.busy();
            if (frmProcessing* p = rig.progressWindow())
                maximum = p->pbrProcessing->maximum();
            // The Process button does nothing now, however it is reached.
            rig.clickProcess();
            rig.launcher().processClicked();
        };
        rig.launcher().StartRun();
        QCOMPARE(during, (QList<bool>{true, true}));
        QCOMPARE(maximum, 1);
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
            if (frmProcessing* p = rig.progressWindow()) {
                p->Command1->click();
                clicked = true;
            }
        });
        rig.launcher().StartRun();
        QVERIFY(clicked);
        QCOMPARE(rig.items(), QStringList({"a@x.org processed [OK]", "   SMTP Send to a@x.org [OK]", "",
                                           "File processing was halted by user", ""}));
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(rig.idle());
    }

    void failureEscapingARunLeavesNothingBehind()
    {
        Rig rig;
        const QString gone = rig.path(QStringLiteral("gone"));
        rig.settings().setLocalFolder(gone);
        rig.answerPrompt(FormSource::Folder, true);
        rig.clickProcess();
        QCOMPARE(rig.items(), QStringList{"Processing error: Folder " + gone + "/ not found [ERROR]"});
        QCOMPARE(rig.log().count(RunLog::Closing), 1);
        QVERIFY(rig.idle());
        // A timed run that fails is still a timed run: the count starts again.
        rig.runEvery("2");
        rig.launcher().tick();
        rig.launcher().tick();
        QCOMPARE(rig.runs(), 2);
        QCOMPARE(rig.state->minutesElapsed, 0);
        QVERIFY(rig.idle());
    }

    void timerRunsEveryNthMinute_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("autoOpen");
        QTest::addColumn<QList<int>>("runs");
        QTest::addColumn<int>("elapsed");
        QTest::newRow("every third") << "3" << 1 << QList<int>{3, 6, 9} << 0;
        // A shorter interval applies at once: 10 until the fifth tick, then 2.
        QTest::newRow("shortened") << "10,2" << 1 << QList<int>{6, 8} << 1;
        QTest::newRow("without auto-open") << "1" << 0 << QList<int>{} << 0;
        for (const char* off : {"0", "soon", "", "-2"})
            QTest::newRow(off) << off << 1 << QList<int>{} << 0;
    }
    void timerRunsEveryNthMinute()
    {
        QFETCH(QString, minutes);
        QFETCH(int, autoOpen);
        TestApp app;
        app.settings().setFlag(SystemSettings::Auto_Open_Template, autoOpen);
        QList<int> runs;
        int tick = 0;
        ProcessingTimer timer(*app.state, [&] { runs << tick; });
        for (tick = 1; tick <= 9; ++tick) {
            const int part = tick > 5 ? -1 : 0;
            app.settings().setText(SystemSettings::Auto_Timer, minutes.section(',', part, part));
            timer.tick();
        }
        QTEST(runs, "runs");
        QTEST(app.state->minutesElapsed, "elapsed");
    }

    void timerTicksDuringARunAreSkipped()
    {
        Rig rig;
        rig.chooseFolderOf(1);
        rig.runEvery("2");
        int elapsedInRun = -1;
        rig.dialogs.onInputBox = [&] {
            for (int i = 0; i < 3; ++i)
                QMetaObject::invokeMethod(rig.w().tmrMain, "timeout");
            elapsedInRun = rig.state->minutesElapsed;
        };
        QMetaObject::invokeMethod(rig.w().tmrMain, "timeout");
        QCOMPARE(rig.runs(), 0);
        QMetaObject::invokeMethod(rig.w().tmrMain, "timeout");
        QCOMPARE(rig.runs(), 1);
        QCOMPARE(elapsedInRun, 2);
        QCOMPARE(rig.state->minutesElapsed, 0);
        QVERIFY(rig.idle());
    }

    void closingTheMainWindowDuringARun()
    {
        Rig rig;
        rig.chooseFolderOf(3);
        rig.w().show();
        rig.state->replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,"));
        QSignalSpy ended(&rig.w(), &frmMain::programEnded);
        // The save question comes after the run, under the normal pointer.
        bool busyAtQuestion = true;
        rig.dialogs.onMessageBox = [&](const QString&) {
            busyAtQuestion = QApplication::overrideCursor() != nullptr;
        };
        bool stillOpen = false;
        bool asked = false;
        rig.dialogs.onInputBox = [&] {
            if (std::exchange(asked, true))
                return;
            rig.w().close();
            stillOpen = rig.w().isVisible() && ended.isEmpty() && rig.state->cancelRequested;
        };
        rig.launcher().StartRun();
        QVERIFY(stillOpen);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(rig.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
        QVERIFY(!busyAtQuestion);
        QVERIFY(!rig.w().isVisible());
        // The item in hand was finished and recorded, then the run wrote its closing lines.
        QCOMPARE(rig.items(), QStringList({"f0.dat processed [OK]", "",
                                           "File processing was halted by user", ""}));
        QCOMPARE(rig.rows().size(), 1);
        QVERIFY(QFile::exists(rig.path(QStringLiteral("FORM.INI"))));
        QVERIFY(rig.idle());
    }

    void startUpRunNeedsBothSettings_data()
    {
        QTest::addColumn<int>("autoProcess");
        QTest::addColumn<int>("autoOpen");
        QTest::newRow("both") << 1 << 1;
        QTest::newRow("process only") << 1 << 0;
        QTest::newRow("open only") << 0 << 1;
    }
    void startUpRunNeedsBothSettings()
    {
        QFETCH(int, autoProcess);
        QFETCH(int, autoOpen);
        Rig rig;
        const QString design = rig.path(QStringLiteral("reply.rtm"));
        writeBytes(design, TemplateFile::encode("Dear <<name>>", {{"name", QString(), QString()}}));
        // Replies not suppressed and no return address: the start-up run does not check it.
        rig.writeFile("FORM.INI", QStringLiteral("[System Settings]\nAuto_Process_On_Start=%1\n"
                                                 "Auto_Open_Template=%2\nSuppress_Reply_To_Sender=0\n"
                                                 "Last_Template_Open=%3\n")
                                      .arg(autoProcess).arg(autoOpen).arg(design).toUtf8());
        rig.mail().deliverNew(MailSamples::ordinaryMail("Bo <bo@x.org>", "Hello"), 100);
        QList<bool> during;
        connect(&rig.state->eventLog(), &EventLog::lineAppended, this, [&](const QString& line) {
            if (line.endsWith(QStringLiteral("[IGNORED]")))
                during << rig.busy();
        });
        rig.state->cancelRequested = true;
        rig.state->minutesElapsed = 7;
        QVERIFY(runStartup(*rig.state, rig.w(), 0));
        QVERIFY(rig.dialogs.shown().isEmpty());
        QVERIFY(!rig.w().findChild<frmLocation_Prompt*>());
        QCOMPARE(rig.state->minutesElapsed, 0);
        if (!(autoProcess && autoOpen)) {
            QVERIFY(rig.state->eventLog().text().isEmpty());
            return;
        }
        // The inbox is the choice until the user changes it.
        QCOMPARE(rig.items(), QStringList{"bo@x.org not a mailto form [IGNORED]"});
        QCOMPARE(during, QList<bool>{true});
        QVERIFY(rig.idle());
    }
};

QTEST_MAIN(RunTriggersTest)
#include "test_run_triggers.moc"
