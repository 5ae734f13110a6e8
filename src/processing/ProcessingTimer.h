#pragma once

#include <functional>

class AppState;

// The one-minute tick of unattended processing: a run every Auto_Timer minutes while the last
// template is reopened automatically. Settings are read at every tick, so changes apply at once.
class ProcessingTimer
{
public:
    ProcessingTimer(AppState& state, std::function<void()> startRun);

    void tick();

private:
    AppState& m_state;
    std::function<void()> m_startRun;
};
