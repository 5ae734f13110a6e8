#pragma once

// The flags and the counter of processing that live for the whole run of the program and that
// start-up puts into a known state: the run, its triggers, the recorder and the main window
// share them.
struct RunFlags
{
    // Set by the progress window's Cancel; the run stops before its next item.
    bool cancelRequested = false;
    // Off after the first failure to record a reply, until the program is started again.
    bool recordingEnabled = true;
    // Minutes counted by the one-minute timer since the last timed run.
    int minutesElapsed = 0;
    // True while a processing run executes; it yields to the event loop, so others must look.
    bool runInProgress = false;
};
