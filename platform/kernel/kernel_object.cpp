#include "kernel/kernel_object.h"

#include <cerrno>
#include <mutex>
#include <unordered_set>

namespace platform {
namespace {
std::mutex g_mutex;
std::unordered_set<const KernelObject*>& Live() {
  static std::unordered_set<const KernelObject*> live;
  return live;
}
thread_local DWORD t_lastError = 0;
}  // namespace

KernelObject::KernelObject(Kind kind) : kind_(kind) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Live().insert(this);
}

KernelObject::~KernelObject() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Live().erase(this);
}

KernelObject* LookUpHandle(HANDLE handle, KernelObject::Kind kind) {
  auto* object = static_cast<KernelObject*>(handle);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (handle && handle != INVALID_HANDLE_VALUE && Live().count(object) && object->kind() == kind)
      return object;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

void SetLastErrorFromErrno(int error) {
  DWORD code;
  switch (error) {
    case 0: code = ERROR_SUCCESS; break;
    case ENOENT: code = ERROR_FILE_NOT_FOUND; break;
    case ENOTDIR: code = ERROR_PATH_NOT_FOUND; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: code = ERROR_ACCESS_DENIED; break;
    case EEXIST: code = ERROR_FILE_EXISTS; break;
    case ENOSPC:
    case EDQUOT: code = ERROR_DISK_FULL; break;
    case ENOMEM: code = ERROR_NOT_ENOUGH_MEMORY; break;
    case EBADF: code = ERROR_INVALID_HANDLE; break;
    case EIO: code = ERROR_READ_FAULT; break;
    default: code = ERROR_INVALID_PARAMETER; break;
  }
  t_lastError = code;
}

}  // namespace platform

DWORD GetLastError() { return platform::t_lastError; }
void SetLastError(DWORD code) { platform::t_lastError = code; }
