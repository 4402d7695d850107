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

const unsigned char* g_programResources = nullptr;
size_t g_programResourcesSize = 0;

}  // namespace

std::mutex& ModulesMutex() {
  static std::mutex mutex;
  return mutex;
}

// Never destroyed: a library that is not freed stays loaded until the process ends, and
// FreeLibrary or a lookup from another static's destructor must still find the set.
std::unordered_set<Module*>& LiveModules() {
  static auto* live = new std::unordered_set<Module*>;
  return *live;
}

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
    std::lock_guard<std::mutex> lock(ModulesMutex());
    LiveModules().insert(m);
    return m;
  }();
  return program;
}

Module* ModuleFromHandle(HMODULE handle) {
  if (!handle) return ProgramModule();
  auto* m = reinterpret_cast<Module*>(handle);
  if (m == ProgramModule()) return m;
  std::lock_guard<std::mutex> lock(ModulesMutex());
  return LiveModules().count(m) ? m : nullptr;
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
  std::lock_guard<std::mutex> lock(ModulesMutex());
  for (Module* m : LiveModules()) {
    const std::string& p = m->path;
    if (p == wanted || (p.size() > wanted.size() && p.compare(p.size() - wanted.size(), wanted.size(), wanted) == 0 &&
                        p[p.size() - wanted.size() - 1] == '/'))
      return reinterpret_cast<HMODULE>(m);
  }
  return nullptr;
}
