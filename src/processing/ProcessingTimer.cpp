#include "processing/ProcessingTimer.h"

#include "app/AppState.h"

ProcessingTimer::ProcessingTimer(AppState& state, std::function<void()> startRun)
    : m_state(state), m_startRun(std::move(startRun))
{
}

void ProcessingTimer::tick()
{
    const SystemSettings& settings = m_state.settings();
    const auto minutes = settings.autoTimerMinutes();
    if (!minutes || *minutes <= 0) // a negative interval is as off as 0, not "every minute"
        return;
    if (!settings.on(SystemSettings::Auto_Open_Template))
        return;
    // A run yields while it waits for the user or the mail server; a tick then must not start
    // a second run inside it. The tick is skipped, not counted.
    if (m_state.runInProgress)
        return;
    if (m_state.minutesElapsed < 32767)
        ++m_state.minutesElapsed;
    if (m_state.minutesElapsed < *minutes)
        return;
    m_startRun();
    m_state.minutesElapsed = 0;
}
