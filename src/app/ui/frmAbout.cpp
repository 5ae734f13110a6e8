#include "app/ui/frmAbout.h"

#include "app/ProductInfo.h"
#include "app/SystemInformation.h"
#include "platform/system/ProcessLauncher.h"
#include "platform/system/SystemRegistry.h"
#include "platform/system/WebLink.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

frmAbout::frmAbout(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_registry(std::make_unique<SystemRegistry>()),
      m_launcher(std::make_unique<ProcessLauncher>()),
      m_ownSysInfo(std::make_unique<SystemInformation>(*m_registry, *m_launcher, dialogs)),
      m_sysInfo(m_ownSysInfo.get())
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    picIcon = named(new QLabel, "picIcon");
    picIcon->setPixmap(QIcon(QStringLiteral(":/icons/brevane.svg")).pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop);
    lblTitle = named(new QLabel, "lblTitle");
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = named(new QLabel, "lblVersion");
    lblDescription = named(new QLabel(ProductInfo::description()), "lblDescription");
    Label1 = named(new QLabel(ProductInfo::ownerNotice()), "Label1");
    Label1->setWordWrap(true);
    lblURL = named(new QLabel, "lblURL");
    lblURL->setCursor(Qt::PointingHandCursor);
    lblURL->setStyleSheet(QStringLiteral("color: palette(link); text-decoration: underline;"));
    lblURL->installEventFilter(this);
    WebLink1 = named(new WebLink(this), "WebLink1");

    cmdOK = named(new QPushButton(QStringLiteral("OK")), "cmdOK");
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo = named(new QPushButton(QStringLiteral("&System Info...")), "cmdSysInfo");
    cmdSysInfo->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addWidget(lblDescription);
    text->addSpacing(12);
    text->addWidget(lblURL);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon);
    top->addLayout(text, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label1, 1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addSpacing(12);
    layout->addLayout(bottom);

    // The load: caption, version, title, address.
    setWindowTitle(QStringLiteral("About ") + ProductInfo::Title);
    lblVersion->setText(versionText());
    lblTitle->setText(ProductInfo::Title);
    lblURL->setText(ProductInfo::webAddress());
}

frmAbout::~frmAbout() = default;

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    m_sysInfo->StartSysInfo();
}

void frmAbout::lblURL_Click()
{
    WebLink1->open(lblURL->text());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblURL && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblURL_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
