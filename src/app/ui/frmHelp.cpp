#include "app/ui/frmHelp.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

frmHelp::frmHelp(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Brevane Help"));
    txtGuide = new QTextBrowser;
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    QFile guide(GuideFile);
    if (guide.open(QIODevice::ReadOnly))
        txtGuide->setHtml(QString::fromUtf8(guide.readAll()));
    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtGuide, 1);
    layout->addLayout(buttons);
    resize(560, 620);
}
