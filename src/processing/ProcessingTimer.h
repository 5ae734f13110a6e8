#pragma once

#include <functional>

class SystemSettings;
struct RunFlags;

// The one-minute tick of unattended processing: a run every Auto_Timer minutes while the last
// template is reopened automatically. Settings are read at every tick, so changes apply at once.
class ProcessingTimer
{
public:
    ProcessingTimer(const SystemSettings& settings, RunFlags& flags,
                    std::function<void()> startRun);

    void tick();

private:
    const SystemSettings& m_settings;
    RunFlags& m_flags;
    std::function<void()> m_startRun;
};
