#pragma once
#include <string>

namespace platform {

// The first IPv4 address of an interface that is up and not a loopback, in
// dotted form; empty when there is none.
std::string FirstNonLoopbackIPv4();

}  // namespace platform
