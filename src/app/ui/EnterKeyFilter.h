#pragma once

#include <QObject>
#include <functional>

// Enter in the grid, which a table view would otherwise take as "activate this cell": the
// handler says whether it took the key.
class EnterKeyFilter : public QObject
{
public:
    EnterKeyFilter(QObject* parent, std::function<bool()> onEnter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_onEnter;
};
