#pragma once

#include <QWidget>

class QKeyEvent;
class QLabel;

// Shown while the program starts: logo, platform, version and the owner's notice. Any key
// pressed on it closes it; start-up goes on either way.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* imgLogo = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
