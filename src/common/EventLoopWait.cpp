#include "common/EventLoopWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <thread>

namespace EventLoopWait {

void pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(qMax(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

void whileWorking(const std::function<void()>& work)
{
    if (!QCoreApplication::instance()) {
        work();
        return;
    }
    QEventLoop loop;
    std::exception_ptr failure;
    // The quit is queued, so it reaches the loop even when the work ends before exec() begins.
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace EventLoopWait

void EventLoopPasses::between()
{
    if (m_since.elapsed() < m_intervalMs)
        return;
    QCoreApplication::processEvents();
    m_since.restart();
}
