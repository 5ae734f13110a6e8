#include "app/ui/PickFilter.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QTimer>
#include <utility>

PickFilter::PickFilter(QComboBox* combo) : QObject(combo)
{
    combo->view()->installEventFilter(this);
    combo->view()->viewport()->installEventFilter(this);
}

bool PickFilter::takePick()
{
    return std::exchange(m_picked, false);
}

bool PickFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        m_picked = true;
        break;
    case QEvent::ShortcutOverride: // where the list takes Enter
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        m_picked = key == Qt::Key_Return || key == Qt::Key_Enter;
        break;
    }
    case QEvent::Hide:
        // A pick is reported at once; a list closed otherwise leaves none behind.
        QTimer::singleShot(0, this, [this] { m_picked = false; });
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
