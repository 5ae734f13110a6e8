#pragma once

#include <QObject>

class QComboBox;

// Remembers that the user picked an entry on the open list: a click or Enter there. The list's
// own filter closes it and then reports the entry activated, which a wheel turn or a key typed
// over the closed list also does; only a pick may insert a marker.
class PickFilter : public QObject
{
public:
    explicit PickFilter(QComboBox* combo);
    bool takePick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_picked = false;
};
