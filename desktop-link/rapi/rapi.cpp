// Stand-in for the desktop link's remote API library: it "talks" to the emulated
// handheld, whose file system is a folder on this disk. The connection event is made
// with the host program's own kernel (CreateEventW), so the host can wait for it.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "handheld_root.h"
#include "platform/utf.h"
#include "rapi_types.h"

namespace {

std::string Simulation() {
  const char* s = std::getenv("ORLEND_RAPI_SIMULATE");
  return s ? s : "";
}

long long WriteBudget() {
  std::string s = Simulation();
  if (s.rfind("write-fail:", 0) != 0) return -1;
  return std::atoll(s.c_str() + 11);
}

long long g_written = 0;
bool g_connected = false;
// The connection event handed out by CeRapiInitEx; CeRapiUninit closes it.
HANDLE g_initEvent = nullptr;

// Open files by handle. A handle is a number that is never given out twice, so a handle
// closed already (or never ours) names no file, even after another file has been opened.
std::mutex g_filesMutex;
std::unordered_map<uintptr_t, int> g_files;
uintptr_t g_nextFile = 0x5250;

// The file's descriptor, or -1.
int FileDescriptor(HANDLE h) {
  std::lock_guard<std::mutex> lock(g_filesMutex);
  auto it = g_files.find(reinterpret_cast<uintptr_t>(h));
  return it == g_files.end() ? -1 : it->second;
}

// Opens `relative` below the handheld's root. The handheld's storage has no links: one
// found on the way (a folder or the file itself) is refused, never followed out of the
// root, and so are "." and ".." steps.
int OpenOnHandheld(const std::string& relative, int flags) {
  int folder = ::open(desktop_link::HandheldRoot().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return -1;
  size_t start = 0;
  while (true) {
    size_t slash = relative.find('/', start);
    std::string step = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (step == "." || step == "..") {
      ::close(folder);
      return -1;
    }
    if (slash == std::string::npos) {
      int fd = step.empty() ? -1 : ::openat(folder, step.c_str(), flags | O_NOFOLLOW, 0644);
      ::close(folder);
      return fd;
    }
    if (!step.empty()) {
      int next = ::openat(folder, step.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      ::close(folder);
      if (next < 0) return -1;
      folder = next;
    }
    start = slash + 1;
  }
}

}  // namespace

extern "C" {

HRESULT CeRapiInit() {
  if (Simulation() == "init-fail" || Simulation() == "no-device" || !desktop_link::HandheldConnected())
    return E_FAIL;
  g_connected = true;
  return S_OK;
}

HRESULT CeRapiInitEx(RAPIINIT* init) {
  if (!init || init->cbSize != sizeof(RAPIINIT)) return E_FAIL;
  if (Simulation() == "init-fail") return E_FAIL;
  if (g_initEvent) CloseHandle(g_initEvent);
  g_initEvent = init->heRapiInit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  init->hrRapiInit = S_OK;
  // Without a device the connection simply never comes up, as with a real cradle.
  if (Simulation() != "no-device" && desktop_link::HandheldConnected()) {
    g_connected = true;
    g_written = 0;
    SetEvent(init->heRapiInit);
  }
  return S_OK;
}

HRESULT CeRapiUninit() {
  g_connected = false;
  if (g_initEvent) CloseHandle(g_initEvent);
  g_initEvent = nullptr;
  return S_OK;
}

HANDLE CeCreateFile(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
  if (!g_connected || !name) return INVALID_HANDLE_VALUE;
  int flags = O_CLOEXEC | ((access & GENERIC_READ) && (access & GENERIC_WRITE) ? O_RDWR
                           : (access & GENERIC_WRITE)                          ? O_WRONLY
                                                                               : O_RDONLY);
  if (creation == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
  else if (creation == CREATE_NEW) flags |= O_CREAT | O_EXCL;
  else if (creation == OPEN_ALWAYS) flags |= O_CREAT;
  int fd = OpenOnHandheld(platform::NativePath(name), flags);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  std::lock_guard<std::mutex> lock(g_filesMutex);
  uintptr_t handle = g_nextFile++;
  g_files[handle] = fd;
  return reinterpret_cast<HANDLE>(handle);
}

BOOL CeWriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
  if (written) *written = 0;
  int fd = FileDescriptor(h);
  if (fd < 0 || (!buffer && toWrite)) return FALSE;
  long long budget = WriteBudget();
  DWORD allowed = toWrite;
  if (budget >= 0 && g_written + toWrite > budget) allowed = static_cast<DWORD>(budget > g_written ? budget - g_written : 0);
  DWORD done = 0;
  while (done < allowed) {
    ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    done += static_cast<DWORD>(n);
  }
  g_written += done;
  if (written) *written = done;
  return done == toWrite ? TRUE : FALSE;
}

BOOL CeCloseHandle(HANDLE h) {
  int fd = -1;
  {
    std::lock_guard<std::mutex> lock(g_filesMutex);
    auto it = g_files.find(reinterpret_cast<uintptr_t>(h));
    if (it == g_files.end()) return FALSE;
    fd = it->second;
    g_files.erase(it);
  }
  bool ok = ::close(fd) == 0 && Simulation() != "close-fail";
  return ok ? TRUE : FALSE;
}

}  // extern "C"
