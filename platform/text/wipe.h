#pragma once
// Overwriting secrets (a password, the texts of a sign-in) before their
// memory is given back or reused, so that no copy outlives its use. The
// writes are ones the compiler may not leave out as dead stores.

#include <cstddef>
#include <string>

namespace platform {

// Zeros size bytes at data.
void WipeBytes(void* data, size_t size);

// Zeros the text's whole buffer (its capacity, not only its length) and
// leaves it empty.
void WipeText(std::string& text);

}  // namespace platform
