#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

// Shows how far a run has got; its Cancel asks the run to stop before the next item.
class frmProcessing : public QDialog
{
    Q_OBJECT
public:
    explicit frmProcessing(QWidget* parent = nullptr);

    QProgressBar* pbrProcessing = nullptr;
    QPushButton* Command1 = nullptr;

signals:
    void cancelRequested();

protected:
    void reject() override; // Esc and the title-bar button act as Cancel
};
