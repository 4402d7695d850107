// Loaded modules: the running program, native shared objects and resource-only libraries.
#pragma once

#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/winbase.h"

namespace platform {

struct ResourceId {
  bool numeric = true;
  WORD id = 0;
  std::u16string name;  // upper case, as the platform compares names case-insensitively

  static ResourceId From(LPCWSTR typeOrName);
  bool operator==(const ResourceId& o) const {
    return numeric == o.numeric && (numeric ? id == o.id : name == o.name);
  }
};

struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  WORD language = 0;
  const BYTE* data = nullptr;
  DWORD size = 0;
};

struct ResourceSet {
  std::vector<ResourceEntry> entries;
  const ResourceEntry* Find(const ResourceId& type, const ResourceId& name) const;
};

// Parsers (platform/resources/): false on a malformed file; entries point into `data`.
bool ParsePeResources(const BYTE* data, size_t size, ResourceSet& out);
bool ParseResFile(const BYTE* data, size_t size, ResourceSet& out);

struct Module {
  enum class Kind { Program, Native, ResourceOnly };
  Kind kind = Kind::Native;
  std::string path;          // Linux path
  void* library = nullptr;   // dlopen handle
  std::vector<BYTE> image;   // the file, for resource-only libraries
  ResourceSet resources;
  int references = 1;
};

// The module behind a handle; GetModuleHandleW(nullptr) and null mean the program.
Module* ModuleFromHandle(HMODULE module);

// Every module loaded (the program's too), and the lock that guards the set.
std::unordered_set<Module*>& LiveModules();
std::mutex& ModulesMutex();
Module* ProgramModule();

}  // namespace platform
