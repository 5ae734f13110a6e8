#include "app/ui/EnterKeyFilter.h"

#include <QKeyEvent>
#include <utility>

EnterKeyFilter::EnterKeyFilter(QObject* parent, std::function<bool()> onEnter)
    : QObject(parent), m_onEnter(std::move(onEnter))
{
}

bool EnterKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_onEnter())
            return true;
    }
    return QObject::eventFilter(watched, event);
}
