// How the user can let this program send ICMP echo when the platform refuses every way to, as
// one line to follow the fatal message. Empty where there is nothing the user can change.
// tests/shell/shell_test.cpp links a stand-in in place of the implementation.
#pragma once

#include <string>

namespace net {

// `skipOption` is the program's option that does without the echo; the hint names it as the
// last way out. Looks at the platform afresh on each call.
std::string IcmpAccessHint(const char* skipOption);

}  // namespace net
