#pragma once

#include "processing/FormSource.h"
#include "processing/ProcessingRun.h"
#include "processing/ProcessingTimer.h"

#include <QObject>
#include <functional>

class AppState;
class QWidget;
class frmLocation_Prompt;

// What starts a processing run and what the user sees while it runs: the location prompt, the
// return-address check, the busy pointer, the progress window and the one-minute timer.
class QtRunLauncher : public QObject
{
    Q_OBJECT
public:
    static inline const QString MissingReturnAddress =
        QStringLiteral("You must specify a return address in your MAPI Settings");

    // showSettingsModally opens the settings window on its mail locations, modally.
    QtRunLauncher(AppState& state, QWidget* mainWindow, std::function<void()> showSettingsModally);

    // The toolbar's Process button: the location prompt, then StartRun on OK.
    void processClicked();
    // Checks that replies have a sender address, then runs with the prompt's current choice.
    void StartRun();
    // The start-up run: no prompt and no address check.
    void runAtStartup();
    // One tick of the one-minute timer.
    void tick() { m_timer.tick(); }

    FormSource source() const { return m_source; }
    frmLocation_Prompt* prompt(); // created on first use
    ProcessingRun& run() { return m_run; }

signals:
    void runStarted();
    void runFinished();

private:
    void runWithProgress();

    AppState& m_state;
    QWidget* m_mainWindow;
    std::function<void()> m_showSettingsModally;
    ProcessingRun m_run;
    ProcessingTimer m_timer;
    frmLocation_Prompt* m_prompt = nullptr;
    FormSource m_source = FormSource::Inbox;
    bool m_checkingAddress = false;
};
