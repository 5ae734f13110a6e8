#include "common/EventLoopWait.h"

#include <QEventLoop>
#include <QTimer>

namespace EventLoopWait {

void pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(qMax(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace EventLoopWait
