#include "platform/mail/ui/QtMailLogon.h"

#include "platform/mail/ui/frmMailLogon.h"

#include <QApplication>

std::optional<MailProfile> QtMailLogon::logon(const MailProfile& profile, const QString& reason)
{
    frmMailLogon window(QApplication::activeWindow());
    window.setProfile(profile, reason);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.profile();
}
