#pragma once
// Opening a file the user named, for reading, when it is a plain file on
// disk. Opening a FIFO for reading waits until something writes to it, and
// a device may wait for its hardware; a reader that met one would hang the
// window or the tool that asked. These refuse such files without waiting:
// every reader of songs, tags and converted audio opens through them.

#include <cstdio>
#include <string>

namespace platform {

// A read-only descriptor (close-on-exec) of the file, or -1 with errno:
// EISDIR for a folder, EINVAL for any other file that is not a regular one
// (a FIFO, socket or device), else what open() said. Never blocks on the
// kind of file it finds.
int OpenRegularFile(const std::string& path);

// The same as a stdio stream opened "rb"; null with errno on failure.
std::FILE* OpenRegularFileStream(const std::string& path);

}  // namespace platform
