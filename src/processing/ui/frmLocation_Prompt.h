#pragma once

#include "processing/FormSource.h"

#include <QDialog>

class QGroupBox;
class QPushButton;
class QRadioButton;

// Asks where to process from. Created on first use and then only hidden, so the choice lasts
// for as long as the program runs.
class frmLocation_Prompt : public QDialog
{
    Q_OBJECT
public:
    explicit frmLocation_Prompt(QWidget* parent = nullptr);

    FormSource source() const;
    void setSource(FormSource source);

    QGroupBox* fraLocation = nullptr;
    QRadioButton* optProcess_Email = nullptr;
    QRadioButton* optProcess_Local = nullptr;
    QPushButton* btnLocation_Prompt_Ok = nullptr;
    QPushButton* btnLocation_Prompt_Cancel = nullptr;
};
