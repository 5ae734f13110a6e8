#include "processing/ui/QtRunLauncher.h"

#include "common/Dialogs.h"
#include "common/RunFlags.h"
#include "processing/ProcessingRun.h"
#include "processing/RunProgress.h"
#include "processing/ui/frmLocation_Prompt.h"
#include "processing/ui/frmProcessing.h"
#include "settings/SystemSettings.h"

#include <QApplication>
#include <QPointer>
#include <QProgressBar>
#include <QWindow>
#include <QScopedValueRollback>

namespace {

// The progress window as the run sees it; a range of one item shows an empty bar that stays put.
class WindowProgress : public RunProgress
{
public:
    explicit WindowProgress(frmProcessing* window) : m_window(window) {}
    void setMaximum(int maximum) override
    {
        if (m_window)
            m_window->pbrProcessing->setRange(0, std::max(maximum, 1));
    }
    void setValue(int value) override
    {
        if (m_window)
            m_window->pbrProcessing->setValue(value);
    }

private:
    QPointer<frmProcessing> m_window;
};

// The busy pointer for as long as the run lasts, however it ends.
struct BusyPointer
{
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

} // namespace

QtRunLauncher::QtRunLauncher(ProcessingRun& run, RunFlags& flags, SystemSettings& settings,
                             Dialogs& dialogs, QWidget* mainWindow,
                             std::function<void()> showSettingsModally)
    : QObject(mainWindow), m_run(run), m_flags(flags), m_settings(settings), m_dialogs(dialogs),
      m_mainWindow(mainWindow), m_showSettingsModally(std::move(showSettingsModally)),
      m_timer(settings, flags, [this] { StartRun(); })
{
}

frmLocation_Prompt* QtRunLauncher::prompt()
{
    if (!m_prompt)
        m_prompt = new frmLocation_Prompt(m_mainWindow);
    return m_prompt;
}

void QtRunLauncher::processClicked()
{
    if (m_flags.runInProgress)
        return;
    frmLocation_Prompt* box = prompt();
    box->setSource(storedSource());
    const bool ok = box->exec() == QDialog::Accepted;
    box->hide();
    if (!ok)
        return;
    m_settings.setText(SystemSettings::Form_Source, box->source() == FormSource::Folder
                                                        ? SystemSettings::SourceFolder
                                                        : SystemSettings::SourceInbox);
    StartRun();
}

void QtRunLauncher::StartRun()
{
    // The check below waits for the user; a timer tick meanwhile must not stack a second
    // message and settings window on the first.
    if (m_checkingAddress)
        return;
    if (!m_settings.on(SystemSettings::Suppress_Reply_To_Sender) &&
        !m_settings.text(SystemSettings::SMTP_From_Address).contains(QLatin1Char('@'))) {
        const QScopedValueRollback<bool> checking(m_checkingAddress, true);
        m_dialogs.messageBox(MissingReturnAddress, Dialogs::Icon::None, Dialogs::Buttons::Ok);
        if (m_showSettingsModally)
            m_showSettingsModally();
        return;
    }
    runWithProgress();
}

FormSource QtRunLauncher::storedSource() const
{
    return m_settings.automaticRunsReadFolder() ? FormSource::Folder : FormSource::Inbox;
}

void QtRunLauncher::runAtStartup()
{
    runWithProgress();
}

void QtRunLauncher::runWithProgress()
{
    if (m_flags.runInProgress)
        return;
    {
        BusyPointer busy;
        // Cancel closes the window for good: it is deleted at the run's next wait.
        const QPointer<frmProcessing> window = new frmProcessing(m_mainWindow);
        window->setAttribute(Qt::WA_DeleteOnClose);
        const auto cancel = connect(window, &frmProcessing::cancelRequested, this,
                                    [this] { m_flags.cancelRequested = true; });
        window->show();
        // A box of the run is modal to the main window and so to every window the system
        // keeps above it; the progress window must not be one of them, or its Cancel would
        // wait for the box.
        if (QWindow* handle = window->windowHandle())
            handle->setTransientParent(nullptr);
        WindowProgress progress(window);
        emit runStarted();
        m_run.ProcessForms(storedSource(), &progress);
        // Closing the window now is no Cancel of the user's, or the next run would start halted.
        disconnect(cancel);
        if (window)
            window->close();
    }
    // What follows the run (closing the main window, say) sees the normal pointer again.
    emit runFinished();
}
