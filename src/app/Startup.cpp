#include "app/Startup.h"

#include "app/core/AppState.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "platform/Dialogs.h"

#include <QTabBar>
#include <QThread>

bool runStartup(AppState& state, frmMain& window, int pauseMilliseconds)
{
    frmSplash splash;
    splash.show();
    splash.activateWindow();
    state.dialogs().processEvents();

    if (!state.InitialiseApplication()) {
        state.errors().ReportError(ErrorCode::InitialisationFailure, true);
        return false;
    }
    window.sstMain->setCurrentIndex(frmMain::TabFormData);
    window.sstMain_Click(frmMain::TabFormData);
    // The one blocking wait of the program: the splash stays readable for a moment.
    if (pauseMilliseconds > 0)
        QThread::msleep(pauseMilliseconds);
    splash.hide();
    window.show();
    return true;
}
