#include "kernel/native_library.h"

#include <dlfcn.h>

namespace platform {

bool BindNativeLibrary(const char* soname, const char* const names[], void** const slots[], size_t count) {
  void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  bool complete = library != nullptr;
  for (size_t i = 0; i < count; i++) *slots[i] = complete ? dlsym(library, names[i]) : nullptr;
  for (size_t i = 0; complete && i < count; i++) complete = *slots[i] != nullptr;
  if (!complete) {
    for (size_t i = 0; i < count; i++) *slots[i] = nullptr;
    if (library) dlclose(library);
  }
  return complete;
}

}  // namespace platform
