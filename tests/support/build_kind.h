// Whether the test program was built with a sanitizer. Such builds run
// several times slower; a test's bounds on how soon something answers grow
// with them.
#pragma once

namespace testsupport {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

}  // namespace testsupport
