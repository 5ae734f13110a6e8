#include "app/ui/Startup.h"

#include "app/AppState.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSplash.h"
#include "common/Dialogs.h"
#include "processing/ui/QtRunLauncher.h"

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
    // A run at start-up needs both boxes: unattended processing only with the template reopened.
    const SystemSettings& settings = state.settings();
    if ((settings.flag(SystemSettings::Auto_Process_On_Start) &
         settings.flag(SystemSettings::Auto_Open_Template)) != 0)
        window.launcher()->runAtStartup();
    return true;
}
