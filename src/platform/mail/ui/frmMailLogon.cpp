#include "platform/mail/ui/frmMailLogon.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

frmMailLogon::frmMailLogon(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMailLogon"));
    setWindowTitle(QStringLiteral("Mail Logon"));

    lblReason = named(new QLabel(this), "lblReason");
    lblReason->setWordWrap(true);
    txtInbox = named(new QLineEdit(this), "txtInbox");
    txtInbox->setPlaceholderText(QStringLiteral("~/Maildir or imaps://mail.example.com"));
    txtUser = named(new QLineEdit(this), "txtUser");
    txtPassword = named(new QLineEdit(this), "txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    cmdOK = named(new QPushButton(tr("OK"), this), "cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = named(new QPushButton(tr("Cancel"), this), "cmdCancel");

    auto* fields = new QFormLayout;
    fields->addRow(tr("&Inbox:"), txtInbox);
    fields->addRow(tr("&User:"), txtUser);
    fields->addRow(tr("&Password:"), txtPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblReason);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(360, sizeHint().height());
}

void frmMailLogon::setProfile(const MailProfile& profile, const QString& reason)
{
    lblReason->setText(reason);
    lblReason->setVisible(!reason.isEmpty());
    txtInbox->setText(profile.inbox);
    txtUser->setText(profile.user);
    txtPassword->setText(profile.password);
    (profile.inbox.isEmpty() ? txtInbox : txtPassword)->setFocus();
}

MailProfile frmMailLogon::profile() const
{
    return {txtInbox->text().trimmed(), txtUser->text(), txtPassword->text()};
}
