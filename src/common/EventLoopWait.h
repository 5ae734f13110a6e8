#pragma once

// Waits without freezing the windows: the event loop runs for the whole time, so windows
// repaint, timers fire and buttons act while the caller waits.
namespace EventLoopWait {

void pause(int milliseconds);

} // namespace EventLoopWait
