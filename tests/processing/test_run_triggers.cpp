// What starts a run and what the user sees meanwhile, on the real windows offscreen: the
// location prompt, the return-address check, the busy pointer and the progress window, the
// timer, the start-up run, and the main window while a run waits.
#include "HookedDialogs.h"
#include "MailSamples.h"
#include "RunLog.h"
#include "SmtpSink.h"
#include "TestMaildir.h"
#include "TestSupport.h"
#include "app/ui/Startup.h"
#include "app/ui/frmMain.h"
#include "design/TemplateDesigner.h"
#include "design/TemplateFile.h"
#include "platform/mail/MaildirInbox.h"
#include "processing/ui/QtRunLauncher.h"
#include "processing/ui/frmLocation_Prompt.h"
#include "processing/ui/frmProcessing.h"
#include "reply/ResponseDatabase.h"
#include "settings/ui/frmSettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray AnnForm = "name=Ann&email=ann@example.com";

// The main window over a program with a folder of submissions and a Maildir; replies are
// suppressed unless a test turns them on.
struct Rig
{
    HookedDialogs dialogs;
    TestApp app;
    QTemporaryDir scratch;
    QString forms = scratch.filePath(QStringLiteral("forms"));
    TestMaildir mail{scratch.filePath(QStringLiteral("Maildir"))};
    std::unique_ptr<frmMain> window;
    Rig()
    {
        app.state =
            std::make_unique<AppState>(app.folder(), dialogs, [] { throw ProgramTerminated{}; });
        ResponseDatabase::createEmptyDatabase(app.path(ResponseDatabase::FileName));
        QDir().mkpath(forms);
        window = std::make_unique<frmMain>(state());
        SystemSettings& s = settings();
        s.setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        s.setText(SystemSettings::SMTP_From_Address, QStringLiteral("forms@example.com"));
        s.setLocalFolder(forms);
        s.setFileFilter(QStringLiteral("*.dat"));
        const QString maildir = mail.folder();
        state().inboxFactory = [maildir] { return std::make_unique<MaildirInbox>(maildir); };
    }
    ~Rig()
    {
        // Whatever a test left open is not the next test's business.
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    AppState& state() { return *app.state; }
    SystemSettings& settings() { return state().settings(); }
    frmMain& w() { return *window; }
    QtRunLauncher& launcher() { return *window->launcher(); }
    void addForms(int n)
    {
        for (int i = 0; i < n; ++i)
            writeBytes(QDir(forms).filePath(QStringLiteral("f%1.dat").arg(i)), AnnForm);
    }
    void askForAddresses() { settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0); }
    QStringList log() { return RunLog::lines(state().eventLog().text()); }
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
               !state().flags.runInProgress && !state().flags.cancelRequested;
    }

    // Answers the location prompt once it is open: the given option, then OK or Cancel.
    void answerPrompt(FormSource source, bool ok, FormSource* shownChoice = nullptr)
    {
        QTimer::singleShot(0, window.get(), [this, source, ok, shownChoice] {
            auto* prompt = window->findChild<frmLocation_Prompt*>();
            QVERIFY(prompt && prompt->isVisible() && prompt->isModal());
            if (shownChoice)
                *shownChoice = prompt->source();
            (source == FormSource::Folder ? prompt->optProcess_Local : prompt->optProcess_Email)
                ->click();
            (ok ? prompt->btnLocation_Prompt_Ok : prompt->btnLocation_Prompt_Cancel)->click();
        });
    }
    void clickProcess() { w().toolbarButton(QStringLiteral("btnProcess"))->trigger(); }
    // Forms in the folder, chosen at the prompt without a run; each reply asks for its address,
    // which is where a run waits for the user.
    void chooseFolderOf(int forms)
    {
        addForms(forms);
        askForAddresses();
        answerPrompt(FormSource::Folder, false);
        clickProcess();
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
        rig.mail.deliverNew(MailSamples::formSubmission(QStringLiteral("Bo <bo@x.org>")), 100);
        QVERIFY(!rig.w().findChild<frmLocation_Prompt*>());

        FormSource shown = FormSource::Folder;
        rig.answerPrompt(FormSource::Folder, true, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Inbox); // Inbox before the user first changes it
        QVERIFY(rig.log().contains(QStringLiteral("f0.dat processed [OK]")));
        auto* prompt = rig.w().findChild<frmLocation_Prompt*>();
        QVERIFY(!prompt->isVisible());

        // Cancel hides the prompt and starts nothing, but the choice stays as the user left it.
        rig.answerPrompt(FormSource::Folder, false, &shown);
        rig.clickProcess();
        QCOMPARE(shown, FormSource::Folder);
        QCOMPARE(rig.runs(), 1);
        QVERIFY(!prompt->isVisible());

        rig.answerPrompt(FormSource::Inbox, true);
        rig.clickProcess();
        QCOMPARE(rig.runs(), 2);
        QVERIFY(rig.log().contains(QStringLiteral("bo@x.org processed [OK]")));
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

        // What the settings window is like when it comes up; closed again as the user would.
        bool modal = false;
        QString tab;
        bool mailChosen = false;
        int opened = 0;
        int ticksWhileAsking = 0;
        rig.dialogs.onMessageBox = [&](const QString&) {
            // The timer fires, and the user clicks OK again, while the message is open.
            if (ticksWhileAsking++ == 0) {
                rig.launcher().tick();
                rig.launcher().StartRun();
            }
            QTimer::singleShot(0, settings, [&] {
                ++opened;
                modal = QApplication::activeModalWidget() == settings && settings->isModal();
                tab =
                    settings->tabLeftHandGroup->tabText(settings->tabLeftHandGroup->currentIndex());
                mailChosen = settings->radbtnPOP->isChecked();
                settings->reject();
            });
        };
        rig.answerPrompt(FormSource::Folder, true);
        rig.clickProcess();

        QCOMPARE(opened, 1);
        QCOMPARE(ticksWhileAsking, 1);
        QVERIFY(modal);
        QCOMPARE(tab, QStringLiteral("Form Locations"));
        QVERIFY(mailChosen);
        QCOMPARE(rig.dialogs.messages(),
                 QStringList{"You must specify a return address in your MAPI Settings"});
        QVERIFY(rig.state().eventLog().text().isEmpty());
        QVERIFY(rig.w().findChildren<frmProcessing*>().isEmpty());
        QVERIFY(rig.idle());

        // A timed run meets the same check, and the tick still starts counting afresh.
        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("1"));
        rig.settings().setFlag(SystemSettings::Auto_Open_Template, 1);
        rig.launcher().tick();
        QCOMPARE(opened, 2);
        QCOMPARE(rig.dialogs.messages().size(), 2);
        QVERIFY(rig.state().eventLog().text().isEmpty());
        QCOMPARE(rig.state().flags.minutesElapsed, 0);

        // With replies suppressed there is nothing to send from, and the run starts.
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 1);
        rig.launcher().StartRun();
        QCOMPARE(opened, 2);
        QVERIFY(rig.log().contains(QStringLiteral("f0.dat processed [OK]")));
    }

    void busyPointerProgressWindowAndDisabledEntriesLastAsLongAsTheRun()
    {
        Rig rig;
        rig.chooseFolderOf(2);
        QList<bool> during;
        QString title;
        int maximum = -1;
        rig.dialogs.onInputBox = [&] {
            during << rig.busy();
            if (frmProcessing* p = rig.progressWindow()) {
                title = p->windowTitle();
                maximum = p->pbrProcessing->maximum();
            }
            // The Process button does nothing now, however it is reached.
            rig.clickProcess();
            rig.launcher().processClicked();
        };
        rig.launcher().StartRun();

        QCOMPARE(during, (QList<bool>{true, true}));
        QCOMPARE(title, QStringLiteral("Processing Forms . . ."));
        QCOMPARE(maximum, 1);
        QVERIFY(!rig.w().findChild<frmLocation_Prompt*>()->isVisible());
        QCOMPARE(rig.runs(), 1);
        QVERIFY(rig.idle());
    }

    void cancelWhileAReplyIsSentOverSmtp()
    {
        SmtpSink sink;
        QVERIFY2(sink.isRunning(), qPrintable(sink.errorText()));
        Rig rig;
        rig.settings().setFlag(SystemSettings::Suppress_Reply_To_Sender, 0);
        rig.settings().setText(SystemSettings::SMTP_Server_Address, sink.address());
        for (const char* who : {"A <a@x.org>", "B <b@x.org>", "C <c@x.org>"})
            rig.mail.deliverNew(MailSamples::formSubmission(QLatin1String(who)), 100);
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
        QCOMPARE(rig.log().mid(4, 5),
                 QStringList({QStringLiteral("a@x.org processed [OK]"),
                              QStringLiteral("   SMTP Send to a@x.org [OK]"), QString(),
                              QStringLiteral("File processing was halted by user"), QString()}));
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(rig.idle());
    }

    void failureEscapingARunLeavesNothingBehind()
    {
        Rig rig;
        const QString gone = rig.scratch.filePath(QStringLiteral("gone"));
        rig.settings().setLocalFolder(gone);
        rig.answerPrompt(FormSource::Folder, true);
        rig.clickProcess();
        QVERIFY(rig.log().contains(
            QStringLiteral("Processing error: Folder %1/ not found [ERROR]").arg(gone)));
        QCOMPARE(rig.log().count(RunLog::Closing), 1);
        QVERIFY(rig.idle());

        // A timed run that fails is still a timed run: the count starts again.
        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("2"));
        rig.settings().setFlag(SystemSettings::Auto_Open_Template, 1);
        rig.launcher().tick();
        QCOMPARE(rig.runs(), 1);
        rig.launcher().tick();
        QCOMPARE(rig.runs(), 2);
        QCOMPARE(rig.state().flags.minutesElapsed, 0);
        QVERIFY(rig.idle());
    }

    void timedRunsAndTicksDuringARun()
    {
        Rig rig;
        rig.chooseFolderOf(1);
        rig.settings().setText(SystemSettings::Auto_Timer, QStringLiteral("2"));
        rig.settings().setFlag(SystemSettings::Auto_Open_Template, 1);

        int elapsedInRun = -1;
        rig.dialogs.onInputBox = [&] {
            // The timer fires while the run waits: nothing starts and nothing is counted.
            for (int i = 0; i < 3; ++i)
                QMetaObject::invokeMethod(rig.w().tmrMain, "timeout");
            elapsedInRun = rig.state().flags.minutesElapsed;
        };
        QMetaObject::invokeMethod(rig.w().tmrMain, "timeout");
        QCOMPARE(rig.runs(), 0);
        QCOMPARE(rig.state().flags.minutesElapsed, 1);
        QMetaObject::invokeMethod(rig.w().tmrMain, "timeout");
        QCOMPARE(rig.runs(), 1);
        QCOMPARE(elapsedInRun, 2);
        QCOMPARE(rig.state().flags.minutesElapsed, 0);
        QVERIFY(rig.idle());
    }

    void closingTheMainWindowDuringARun()
    {
        Rig rig;
        rig.chooseFolderOf(3);
        rig.w().show();
        rig.state().replyTemplate().setDesignText(QStringLiteral("Dear <<name>>,"));
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
            stillOpen = rig.w().isVisible() && ended.isEmpty() && rig.state().flags.cancelRequested;
        };
        rig.launcher().StartRun();

        QVERIFY(stillOpen);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(rig.dialogs.messages(), QStringList{TemplateDesigner::SaveQuestion});
        QVERIFY(!busyAtQuestion);
        QVERIFY(!rig.w().isVisible());
        // The item in hand was finished and recorded, then the run wrote its closing lines.
        const QStringList log = rig.log();
        QCOMPARE(log.mid(4, 4),
                 QStringList({QStringLiteral("f0.dat processed [OK]"), QString(),
                              QStringLiteral("File processing was halted by user"), QString()}));
        QCOMPARE(log.count(RunLog::Closing), 1);
        QCOMPARE(ResponseDatabase::readRecords(rig.app.path(ResponseDatabase::FileName)).size(), 1);
        QVERIFY(QFile::exists(rig.app.path(QStringLiteral("FORM.INI"))));
        QVERIFY(rig.idle());
    }

    void startUpRunNeedsBothSettings_data()
    {
        QTest::addColumn<int>("autoProcess");
        QTest::addColumn<int>("autoOpen");
        QTest::addColumn<bool>("runs");
        QTest::newRow("both") << 1 << 1 << true;
        QTest::newRow("process only") << 1 << 0 << false;
        QTest::newRow("open only") << 0 << 1 << false;
    }

    void startUpRunNeedsBothSettings()
    {
        QFETCH(int, autoProcess);
        QFETCH(int, autoOpen);
        QFETCH(bool, runs);
        Rig rig;
        const QString design = rig.app.path(QStringLiteral("reply.rtm"));
        writeBytes(design, TemplateFile::encode(QStringLiteral("Dear <<name>>,\r\nthanks."),
                                                {{QStringLiteral("name"), QString(), QString()}}));
        // Replies not suppressed and no return address: the start-up run does not check it.
        rig.app.writeFile(QStringLiteral("FORM.INI"),
                          QStringLiteral("[System Settings]\r\nAuto_Process_On_Start=%1\r\n"
                                         "Auto_Open_Template=%2\r\nSuppress_Reply_To_Sender=0\r\n"
                                         "SMTP_From_Address=\r\nLast_Template_Open=%3\r\n")
                              .arg(autoProcess)
                              .arg(autoOpen)
                              .arg(design)
                              .toUtf8());
        rig.mail.deliverNew(
            MailSamples::ordinaryMail(QStringLiteral("Bo <bo@x.org>"), QStringLiteral("Hello")),
            100);
        QList<bool> during;
        connect(&rig.state().eventLog(), &EventLog::lineAppended, this, [&](const QString& line) {
            if (line.endsWith(QStringLiteral("[IGNORED]")))
                during << rig.busy();
        });
        rig.state().flags.cancelRequested = true;
        rig.state().flags.minutesElapsed = 7;
        QVERIFY(runStartup(rig.state(), rig.w(), 0));

        QVERIFY(rig.dialogs.shown().isEmpty());
        QVERIFY(!rig.w().findChild<frmLocation_Prompt*>());
        QCOMPARE(rig.state().flags.minutesElapsed, 0);
        if (!runs) {
            QVERIFY(rig.state().eventLog().text().isEmpty());
            return;
        }
        // The inbox is the choice until the user changes it.
        QCOMPARE(
            rig.log(),
            QStringList{QString()} + RunLog::opening() +
                QStringList{QStringLiteral("bo@x.org not a mailto form [IGNORED]")} +
                RunLog::completion(RunLog::summary("1 file was processed", "0 files were ok",
                                                   "1 file were ignored", "0 errors were found")));
        QCOMPARE(during, QList<bool>{true});
        QVERIFY(rig.idle());
    }
};

QTEST_MAIN(RunTriggersTest)
#include "test_run_triggers.moc"
