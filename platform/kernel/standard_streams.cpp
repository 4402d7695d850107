// The standard streams a program is started with, made safe to write to. Apart from the window
// system: a lookup on the command line uses it and nothing of the screen.
#include <fcntl.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

bool KeepStandardStreams() {
  bool outputOpen = true;
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0) continue;
    if (fd == 1) outputOpen = false;
    int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
  return outputOpen;
}

}  // namespace platform
