#pragma once
// Process-wide registered window messages. Any module, at any time (also
// during static initialisation), asks for a name and gets its id.

#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr uint32_t kFirstRegisteredMessage = 0xC000;
inline constexpr uint32_t kLastRegisteredMessage = 0xFFFF;

// The id of the message called name: a new one for a name not seen before,
// the same one for a name registered earlier (names compare without regard
// to ASCII case). 0 for an empty name or when all ids are taken.
uint32_t RegisterWindowMessage(std::string_view name);

}  // namespace platform
