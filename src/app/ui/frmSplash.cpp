#include "app/ui/frmSplash.h"

#include "app/ProductInfo.h"

#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QString());
    setFocusPolicy(Qt::StrongFocus);

    imgLogo = new QLabel;
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(QIcon(QStringLiteral(":/icons/brevane-logo.svg")).pixmap(QSize(350, 120)));
    imgLogo->setAlignment(Qt::AlignCenter);

    lblPlatform = new QLabel(ProductInfo::platformName());
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    lblVersion = new QLabel(versionText());
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Label1 = new QLabel(ProductInfo::ownerNotice());
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = lblPlatform->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblPlatform->setFont(big);
    for (QLabel* label : {lblPlatform, lblVersion, Label1})
        label->setAlignment(Qt::AlignRight);

    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::Box);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(24, 24, 24, 16);
    inner->addWidget(imgLogo);
    inner->addSpacing(12);
    inner->addWidget(lblPlatform);
    inner->addWidget(lblVersion);
    inner->addSpacing(24);
    inner->addWidget(Label1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    close();
}
