// Kernel handles: every HANDLE the kernel gives out points to one of these, and
// only live ones are accepted back, so a stale or foreign handle fails cleanly.
#pragma once

#include "platform/winbase.h"

namespace platform {

class KernelObject {
 public:
  enum class Kind { File, Find, Event, Process, FileMapping };
  explicit KernelObject(Kind kind);
  virtual ~KernelObject();
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

// The live object behind `handle` if it is of `kind`, else null (and ERROR_INVALID_HANDLE).
KernelObject* LookUpHandle(HANDLE handle, KernelObject::Kind kind);
// Maps errno to the platform's error codes and records it for GetLastError.
void SetLastErrorFromErrno(int error);
// A Unix time as the platform counts file times: 100 ns units from 1601-01-01.
FILETIME FileTimeFromUnix(long long seconds, long nanoseconds);

}  // namespace platform
