#include "processing/ProcessingTimer.h"

#include "common/RunFlags.h"
#include "settings/SystemSettings.h"

ProcessingTimer::ProcessingTimer(const SystemSettings& settings, RunFlags& flags,
                                 std::function<void()> startRun)
    : m_settings(settings), m_flags(flags), m_startRun(std::move(startRun))
{
}

void ProcessingTimer::tick()
{
    const auto minutes = m_settings.autoTimerMinutes();
    if (!minutes || *minutes <= 0) // a negative interval is as off as 0, not "every minute"
        return;
    if (!m_settings.on(SystemSettings::Auto_Open_Template))
        return;
    // A run yields while it waits for the user or the mail server; a tick then must not start
    // a second run inside it. The tick is skipped, not counted.
    if (m_flags.runInProgress)
        return;
    if (m_flags.minutesElapsed < 32767)
        ++m_flags.minutesElapsed;
    if (m_flags.minutesElapsed < *minutes)
        return;
    m_startRun();
    m_flags.minutesElapsed = 0;
}
