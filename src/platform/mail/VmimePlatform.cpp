#include "platform/mail/VmimePlatform.h"

#include <vmime/platforms/posix/posixHandler.hpp>
#include <vmime/vmime.hpp>

void VmimePlatform::ensure()
{
    static const bool installed = [] {
        vmime::platform::setHandler<vmime::platforms::posix::posixHandler>();
        return true;
    }();
    (void)installed;
}
