#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "kernel/module.h"
#include "platform/regular_file.h"
#include "platform/resources.h"
#include "platform/utf.h"

namespace platform {
namespace {

std::mutex g_mutex;
// Never destroyed: a library that is not freed stays loaded until the process ends, and
// FreeLibrary or a lookup from another static's destructor must still find the set.
std::unordered_set<Module*>& Live() {
  static auto* live = new std::unordered_set<Module*>;
  return *live;
}
const unsigned char* g_programResources = nullptr;
size_t g_programResourcesSize = 0;

}  // namespace

ProgramResources::ProgramResources(const unsigned char* data, size_t size) {
  g_programResources = data;
  g_programResourcesSize = size;
}

ResourceId ResourceId::From(LPCWSTR typeOrName) {
  ResourceId r;
  if (IS_INTRESOURCE(typeOrName)) {
    r.numeric = true;
    r.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(typeOrName));
    return r;
  }
  if (typeOrName[0] == u'#') {  // "#123" names the number
    WORD n = 0;
    for (LPCWSTR p = typeOrName + 1; *p >= u'0' && *p <= u'9'; ++p) n = static_cast<WORD>(n * 10 + (*p - u'0'));
    r.id = n;
    return r;
  }
  r.numeric = false;
  for (LPCWSTR p = typeOrName; *p; ++p) r.name += (*p >= u'a' && *p <= u'z') ? char16_t(*p - 32) : *p;
  return r;
}

const ResourceEntry* ResourceSet::Find(const ResourceId& type, const ResourceId& name) const {
  for (const ResourceEntry& e : entries)
    if (e.type == type && e.name == name) return &e;
  return nullptr;
}

Module* ProgramModule() {
  static Module* program = [] {
    auto* m = new Module();
    m->kind = Module::Kind::Program;
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    m->path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
    if (g_programResources) ParseResFile(g_programResources, g_programResourcesSize, m->resources);
    std::lock_guard<std::mutex> lock(g_mutex);
    Live().insert(m);
    return m;
  }();
  return program;
}

Module* ModuleFromHandle(HMODULE handle) {
  if (!handle) return ProgramModule();
  auto* m = reinterpret_cast<Module*>(handle);
  if (m == ProgramModule()) return m;
  std::lock_guard<std::mutex> lock(g_mutex);
  return Live().count(m) ? m : nullptr;
}

}  // namespace platform

using namespace platform;

DWORD GetModuleFileNameW(HMODULE handle, LPWSTR buffer, DWORD size) {
  Module* m = ModuleFromHandle(handle);
  if (!m || !buffer || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string path = Utf16FromNativePath(m->path);
  if (path.size() >= size) {  // cut and terminated, as the platform does
    std::memcpy(buffer, path.data(), (size - 1) * sizeof(WCHAR));
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  if (!name) return reinterpret_cast<HMODULE>(ProgramModule());
  std::string wanted = NativePath(name);
  std::lock_guard<std::mutex> lock(g_mutex);
  for (Module* m : Live()) {
    const std::string& p = m->path;
    if (p == wanted || (p.size() > wanted.size() && p.compare(p.size() - wanted.size(), wanted.size(), wanted) == 0 &&
                        p[p.size() - wanted.size() - 1] == '/'))
      return reinterpret_cast<HMODULE>(m);
  }
  return nullptr;
}

// Far above any library these programs load; a bound, so a huge file is no memory exhaustion.
constexpr size_t kLargestLibrary = size_t{256} << 20;

HMODULE LoadLibraryExW(LPCWSTR name, HANDLE, DWORD flags) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const bool nativeCode = flags & LOAD_LIBRARY_NATIVE_CODE;
  std::string path = NativePath(name);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Module* m : Live())
      if (m->kind != Module::Kind::Program && m->path == path && (nativeCode || m->kind == Module::Kind::ResourceOnly)) {
        ++m->references;
        return reinterpret_cast<HMODULE>(m);
      }
  }
  // Only a regular file: a FIFO in a library's place would hold the open for ever.
  std::string bytes;
  bool file = ReadRegularFile(path, kLargestLibrary, &bytes, nullptr);
  if (!file && (path.find('/') != std::string::npos || !nativeCode)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto m = std::make_unique<Module>();
  m->path = path;
  if (file && bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
    // A PE library: we take its resources; it has no code we could run.
    m->image.assign(bytes.begin(), bytes.end());
    if (!ParsePeResources(m->image.data(), m->image.size(), m->resources)) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    m->kind = Module::Kind::ResourceOnly;
  } else if (!nativeCode) {
    // Whatever else lies where resources are looked for (a planted shared object) never runs.
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  } else {
    // A bare name that is no file here is left to the system's library search.
    std::string target = path.find('/') == std::string::npos && file ? "./" + path : path;
    m->library = ::dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m->library) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    m->kind = Module::Kind::Native;
  }
  Module* raw = m.release();
  std::lock_guard<std::mutex> lock(g_mutex);
  Live().insert(raw);
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HMODULE>(raw);
}

HMODULE LoadLibraryW(LPCWSTR name) { return LoadLibraryExW(name, nullptr, 0); }

FARPROC GetProcAddress(HMODULE handle, LPCSTR name) {
  Module* m = ModuleFromHandle(handle);
  if (!m || !name || m->kind != Module::Kind::Native) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = ::dlsym(m->library, name);
  if (!symbol) SetLastError(ERROR_PROC_NOT_FOUND);
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE handle) {
  auto* m = reinterpret_cast<Module*>(handle);
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!m || !Live().count(m) || m->kind == Module::Kind::Program) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--m->references > 0) return TRUE;
  Live().erase(m);
  if (m->library) ::dlclose(m->library);
  delete m;
  return TRUE;
}
