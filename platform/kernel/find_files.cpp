#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "kernel/kernel_object.h"
#include "platform/utf.h"

namespace platform {
namespace {

class Find : public KernelObject {
 public:
  Find() : KernelObject(Kind::Find) {}
  ~Find() override {
    if (dir) ::closedir(dir);
  }
  DIR* dir = nullptr;
  std::string folder;
  std::string pattern;
};

bool Fill(const std::string& folder, const std::string& name, LPWIN32_FIND_DATAW data) {
  struct stat st;
  if (::stat((folder + name).c_str(), &st) != 0) return false;
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  data->ftCreationTime = FileTimeFromUnix(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  data->ftLastAccessTime = FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  data->ftLastWriteTime = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  data->nFileSizeLow = static_cast<DWORD>(st.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  std::u16string wide = Utf16FromNativePath(name);
  if (wide.size() >= MAX_PATH) return false;
  std::memcpy(data->cFileName, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  return true;
}

bool Next(Find* f, LPWIN32_FIND_DATAW data) {
  while (dirent* e = ::readdir(f->dir)) {
    if (::fnmatch(f->pattern.c_str(), e->d_name, FNM_PERIOD) == 0 && Fill(f->folder, e->d_name, data))
      return true;
  }
  return false;
}

}  // namespace
}  // namespace platform

using namespace platform;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = NativePath(pattern);
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.find_first_of("*?") == std::string::npos) {
    // A plain name names exactly that file.
    if (name.empty() || !Fill(folder, name, data)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    auto* f = new Find();
    return f;
  }
  auto* f = new Find();
  f->dir = ::opendir(folder.c_str());
  f->folder = folder;
  f->pattern = name == "*.*" ? "*" : name;
  if (!f->dir || !Next(f, data)) {
    delete f;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return f;
}

BOOL FindNextFileW(HANDLE h, LPWIN32_FIND_DATAW data) {
  auto* f = static_cast<Find*>(LookUpHandle(h, KernelObject::Kind::Find));
  if (!f || !data) return FALSE;
  if (!f->dir || !Next(f, data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE h) {
  auto* f = static_cast<Find*>(LookUpHandle(h, KernelObject::Kind::Find));
  if (!f) return FALSE;
  delete f;
  return TRUE;
}

static DWORD CopyOut(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  return static_cast<DWORD>(text.size());
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
  char* cwd = ::getcwd(nullptr, 0);
  if (!cwd) {
    SetLastErrorFromErrno(errno);
    return 0;
  }
  std::u16string text = Utf16FromNativePath(cwd);
  std::free(cwd);
  return CopyOut(text, buffer, size);
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
  if (::chdir(NativePath(path).c_str()) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

// The desktop link's libraries live in the "system folder": ORLEND_SYSTEM_DIR when set,
// else the folder of the running program, where the build puts the stand-ins.
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  std::u16string folder;
  if (const char* env = std::getenv("ORLEND_SYSTEM_DIR"); env && *env) {
    folder = Utf16FromNativePath(env);
  } else {
    WCHAR exe[1024];
    DWORD n = GetModuleFileNameW(nullptr, exe, 1024);
    folder.assign(exe, n);
    size_t slash = folder.rfind(u'/');
    if (slash != std::u16string::npos) folder.resize(slash);
  }
  while (folder.size() > 1 && (folder.back() == u'/' || folder.back() == u'\\')) folder.pop_back();
  return CopyOut(folder, buffer, size);
}
