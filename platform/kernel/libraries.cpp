// Libraries a program loads: resource-only PE libraries, and native shared objects when asked
// for (LOAD_LIBRARY_NATIVE_CODE). Apart from modules.cpp (the program's own module), so that a
// program that loads none carries no dynamic loader.
#include <dlfcn.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "kernel/module.h"
#include "platform/regular_file.h"
#include "platform/utf.h"

using namespace platform;

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
    std::lock_guard<std::mutex> lock(ModulesMutex());
    for (Module* m : LiveModules())
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
  std::lock_guard<std::mutex> lock(ModulesMutex());
  LiveModules().insert(raw);
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
  std::lock_guard<std::mutex> lock(ModulesMutex());
  if (!m || !LiveModules().count(m) || m->kind == Module::Kind::Program) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--m->references > 0) return TRUE;
  LiveModules().erase(m);
  if (m->library) ::dlclose(m->library);
  delete m;
  return TRUE;
}
