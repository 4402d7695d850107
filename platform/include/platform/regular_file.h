// Opening the files a program reads: a FIFO or a device in their place would block the
// open or never end, so only regular files are taken.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// A descriptor open for reading on the regular file at path, or -1 with errno set
// (EINVAL for something that is not a regular file). The open never blocks.
int OpenRegularFile(const std::string& path);

// The whole regular file at path into bytes, when it is at most `limit` bytes long;
// false with a short reason in error otherwise.
bool ReadRegularFile(const std::string& path, size_t limit, std::string* bytes, std::string* error);

}  // namespace platform
