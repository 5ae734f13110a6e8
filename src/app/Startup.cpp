#include "app/Startup.h"

#include "app/core/AppState.h"
#include "app/frmMain.h"

#include <QTabBar>
#include <QThread>

bool runStartup(AppState& state, frmMain& window, int pauseMilliseconds)
{
    if (!state.InitialiseApplication()) {
        state.errors().ReportError(ErrorCode::InitialisationFailure, true);
        return false;
    }
    window.sstMain->setCurrentIndex(frmMain::TabFormData);
    window.sstMain_Click(frmMain::TabFormData);
    if (pauseMilliseconds > 0)
        QThread::msleep(pauseMilliseconds);
    window.show();
    return true;
}
