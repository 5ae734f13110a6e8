#pragma once

#include "platform/mail/MailProfile.h"

#include <optional>

// The mail system's own logon, asked when sign-on has no inbox to open or the server refused
// the login. Real one: QtMailLogon (the "Mail Logon" window); tests use ScriptedMailLogon.
class MailLogon
{
public:
    virtual ~MailLogon() = default;

    // Offers the profile for the user to complete; reason says what went wrong. nullopt when
    // the user cancels.
    virtual std::optional<MailProfile> logon(const MailProfile& profile, const QString& reason) = 0;
};
