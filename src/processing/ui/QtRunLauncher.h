#pragma once

#include "processing/FormSource.h"
#include "processing/ProcessingTimer.h"

#include <QObject>
#include <functional>

class Dialogs;
class ProcessingRun;
class QWidget;
class SystemSettings;
class frmLocation_Prompt;
struct RunFlags;

// What starts a processing run and what the user sees while it runs: the location prompt, the
// return-address check, the busy pointer, the progress window and the one-minute timer.
class QtRunLauncher : public QObject
{
    Q_OBJECT
public:
    static inline const QString MissingReturnAddress =
        QStringLiteral("You must specify a return address in your MAPI Settings");

    // showSettingsModally opens the settings window on its mail locations, modally.
    QtRunLauncher(ProcessingRun& run, RunFlags& flags, SystemSettings& settings,
                  Dialogs& dialogs, QWidget* mainWindow, std::function<void()> showSettingsModally);

    // The toolbar's Process button: the location prompt, open on the stored source; its OK
    // makes the choice the stored source (for timed and start-up runs too), then StartRun.
    void processClicked();
    // Checks that replies have a sender address, then runs on the stored source.
    void StartRun();
    // The start-up run: no prompt and no address check.
    void runAtStartup();
    // One tick of the one-minute timer.
    void tick() { m_timer.tick(); }

    frmLocation_Prompt* prompt(); // created on first use

signals:
    void runStarted();
    void runFinished();

private:
    void runWithProgress();
    FormSource storedSource() const;

    ProcessingRun& m_run;
    RunFlags& m_flags;
    SystemSettings& m_settings;
    Dialogs& m_dialogs;
    QWidget* m_mainWindow;
    std::function<void()> m_showSettingsModally;
    ProcessingTimer m_timer;
    frmLocation_Prompt* m_prompt = nullptr;
    bool m_checkingAddress = false;
};
