#include "processing/ui/frmLocation_Prompt.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmLocation_Prompt::frmLocation_Prompt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLocation_Prompt"));
    setWindowTitle(QStringLiteral("Brevane"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    fraLocation = new QGroupBox(QStringLiteral("Form location:"));
    fraLocation->setObjectName(QStringLiteral("fraLocation"));
    optProcess_Email = new QRadioButton(QStringLiteral("Inbox (email messages)"));
    optProcess_Email->setObjectName(QStringLiteral("optProcess_Email"));
    optProcess_Email->setToolTip(QStringLiteral("Process mailto forms in your inbox"));
    optProcess_Local = new QRadioButton(QStringLiteral("Locally saved forms"));
    optProcess_Local->setObjectName(QStringLiteral("optProcess_Local"));
    optProcess_Email->setChecked(true);
    auto* options = new QVBoxLayout(fraLocation);
    options->addWidget(optProcess_Email);
    options->addWidget(optProcess_Local);

    btnLocation_Prompt_Ok = new QPushButton(QStringLiteral("&Ok"));
    btnLocation_Prompt_Ok->setObjectName(QStringLiteral("btnLocation_Prompt_Ok"));
    btnLocation_Prompt_Ok->setDefault(true);
    btnLocation_Prompt_Cancel = new QPushButton(QStringLiteral("&Cancel"));
    btnLocation_Prompt_Cancel->setObjectName(QStringLiteral("btnLocation_Prompt_Cancel"));
    connect(btnLocation_Prompt_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnLocation_Prompt_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnLocation_Prompt_Ok);
    buttons->addWidget(btnLocation_Prompt_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraLocation);
    layout->addLayout(buttons);
}

FormSource frmLocation_Prompt::source() const
{
    return optProcess_Local->isChecked() ? FormSource::Folder : FormSource::Inbox;
}

void frmLocation_Prompt::setSource(FormSource source)
{
    (source == FormSource::Folder ? optProcess_Local : optProcess_Email)->setChecked(true);
}
