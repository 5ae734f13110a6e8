#pragma once

namespace VmimePlatform {

// VMime needs its platform handler (clock, sockets, charsets) before any message is parsed or
// any server contacted; safe to call any number of times.
void ensure();

} // namespace VmimePlatform
