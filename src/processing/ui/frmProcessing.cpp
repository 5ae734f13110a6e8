#include "processing/ui/frmProcessing.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmProcessing::frmProcessing(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProcessing"));
    setWindowTitle(QStringLiteral("Processing Forms . . ."));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumWidth(320);

    pbrProcessing = new QProgressBar;
    pbrProcessing->setObjectName(QStringLiteral("pbrProcessing"));
    pbrProcessing->setMinimum(0);
    pbrProcessing->setMaximum(0);
    pbrProcessing->setValue(0);
    Command1 = new QPushButton(QStringLiteral("Cancel"));
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &frmProcessing::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pbrProcessing);
    layout->addLayout(buttons);
}

void frmProcessing::reject()
{
    emit cancelRequested();
    QDialog::reject();
}
