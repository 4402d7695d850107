// Memory pressure for a test: the process may grow by `headroom` bytes of address space,
// no more, until the object goes. Also under the sanitizers, whose reservations are made.
#pragma once

#include <sys/resource.h>

#include <cstddef>
#include <fstream>

namespace test {

class MemoryLimit {
 public:
  explicit MemoryLimit(size_t headroom) {
    getrlimit(RLIMIT_AS, &old_);
    size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;  // the address space in use, in pages
    rlimit limit = old_;
    limit.rlim_cur = pages * 4096 + headroom;
    ok_ = setrlimit(RLIMIT_AS, &limit) == 0;
  }
  ~MemoryLimit() { setrlimit(RLIMIT_AS, &old_); }
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  bool ok_ = false;
};

}  // namespace test
