// Fault injection for tests: a disk that fills up, a read that fails midway, a write that
// pauses while something else runs (another run of the same work, at a chosen point).
// Applies to files opened with CreateFileW after it is set.
#pragma once

#include <functional>
#include <string>

namespace platform {

struct FileFaults {
  std::string pathContains;      // only files whose Linux path contains this (empty: every file)
  long long writeBudget = -1;    // bytes that may still be written before writes fail as a full disk
  long long readBudget = -1;     // bytes that may still be read before reads fail with an I/O error
  long long pauseAfter = -1;     // once this many bytes have been written, `pause` runs (once),
  std::function<void()> pause = nullptr;  //   on the writing thread, before the write returns
};

void SetFileFaults(const FileFaults& faults);
void ClearFileFaults();

}  // namespace platform
