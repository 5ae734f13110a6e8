#pragma once

#include <QElapsedTimer>
#include <functional>

// Waits without freezing the windows: the event loop runs for the whole time, so windows
// repaint, timers fire and buttons act while the caller waits.
namespace EventLoopWait {

void pause(int milliseconds);

// Runs work, which may block for long, on a thread of its own while the event loop runs here;
// returns once it is done, rethrowing what it threw. The caller sees the work as one blocking
// call: nothing else uses what the work uses meanwhile.
void whileWorking(const std::function<void()>& work);

} // namespace EventLoopWait

// For a long loop that never waits: lets the event loop run between two steps once the given
// time has passed since it last ran, so the windows repaint and Cancel acts.
class EventLoopPasses
{
public:
    explicit EventLoopPasses(int intervalMs) : m_intervalMs(intervalMs) { m_since.start(); }

    void setInterval(int intervalMs) { m_intervalMs = intervalMs; }
    void restart() { m_since.restart(); }
    // Between two steps of the loop.
    void between();

private:
    QElapsedTimer m_since;
    int m_intervalMs;
};
