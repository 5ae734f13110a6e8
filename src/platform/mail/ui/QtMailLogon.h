#pragma once

#include "platform/mail/MailLogon.h"

// The real logon: the modal "Mail Logon" window over the active window.
class QtMailLogon : public MailLogon
{
public:
    std::optional<MailProfile> logon(const MailProfile& profile, const QString& reason) override;
};
