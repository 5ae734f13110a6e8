#pragma once

class AppState;
class frmMain;

// The start-up order of the program: the splash, initialisation (a failure of its guarded steps
// is fatal), a short pause, the splash hidden, then the main window. False when the program must
// not go on.
bool runStartup(AppState& state, frmMain& window, int pauseMilliseconds = 1000);
