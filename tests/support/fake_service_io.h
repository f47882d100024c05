// Small socket helpers of the fake online service.
#pragma once

#include <cstddef>

namespace testsupport::fakeio {

// Waits until fd is readable (1), the stop pipe is readable (-1) or ms pass (0).
int WaitReadable(int fd, int stopFd, int ms);
// Sends everything; false when the peer went or a send timed out.
bool SendAll(int fd, const char* data, size_t size);
// Closes with a reset instead of an orderly end.
void CloseWithReset(int fd);

}  // namespace testsupport::fakeio
