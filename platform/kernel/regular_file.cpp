#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

int OpenRegularFile(const std::string& path) {
  // Without O_NONBLOCK the open of a FIFO waits for a writer, for ever.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int why = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = why;
    return -1;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool ReadRegularFile(const std::string& path, size_t limit, std::string* bytes, std::string* error) {
  bytes->clear();
  int fd = OpenRegularFile(path);
  if (fd < 0) {
    if (error) *error = errno == EINVAL || errno == EISDIR ? "not a regular file" : std::strerror(errno);
    return false;
  }
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    if (bytes->size() + static_cast<size_t>(n) > limit) {
      if (error) *error = "longer than " + std::to_string(limit) + " bytes";
      ::close(fd);
      bytes->clear();
      return false;
    }
    bytes->append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace platform
