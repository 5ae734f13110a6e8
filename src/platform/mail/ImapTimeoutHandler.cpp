#include "platform/mail/ImapTimeoutHandler.h"

vmime::shared_ptr<vmime::net::timeoutHandler> ImapTimeoutHandler::Factory::create()
{
    return vmime::make_shared<ImapTimeoutHandler>();
}
