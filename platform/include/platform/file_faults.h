// Fault injection for tests: a disk that fills up, a read that fails midway.
// Applies to files opened with CreateFileW after it is set.
#pragma once

#include <string>

namespace platform {

struct FileFaults {
  std::string pathContains;      // only files whose Linux path contains this (empty: every file)
  long long writeBudget = -1;    // bytes that may still be written before writes fail as a full disk
  long long readBudget = -1;     // bytes that may still be read before reads fail with an I/O error
};

void SetFileFaults(const FileFaults& faults);
void ClearFileFaults();

}  // namespace platform
