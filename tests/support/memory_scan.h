// Looks for bytes in the test process's own memory: every private writable
// mapping (the heap, anonymous mappings such as other threads' heaps and
// stacks, and this thread's stack), read through /proc/self/mem. A test
// that must leave no copy of a secret behind asks for the secret's bytes;
// the secret itself should live in read-only data (a string literal), which
// is not searched.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

// The addresses (as text, with the mapping they lie in) where the bytes
// were found; empty when nowhere. Never holds a copy of the bytes itself
// outside its own reading buffer, which is left out of the search.
std::vector<std::string> FindInOwnMemory(const char* bytes, size_t size);

// Zeros the calling thread's stack below its caller's frame. A thread that
// held a secret calls it before it ends: the frames of the functions it
// called are gone but their bytes stay, among them the vector registers the
// dynamic linker saves while it binds a function on first use (a secret
// just copied through them with it).
void WipeStackBelowCaller();

}  // namespace testsupport
