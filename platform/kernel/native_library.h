// System libraries the layer opens only when a part needs them (the window system's,
// fonts, sound), so that a process that never opens a screen never loads them.
#pragma once

#include <cstddef>

namespace platform {

// Opens the shared library soname and resolves names[i] into *slots[i]. All or nothing:
// when the library or any name is missing every slot is null and it returns false; the
// library then stays closed. A library that was bound stays loaded until the end.
bool BindNativeLibrary(const char* soname, const char* const names[], void** const slots[], size_t count);

}  // namespace platform

// The body of a LoadXxxApi(): binds every function of the X-macro list FUNCTIONS into the
// table of pointers TABLE, once, from the library soname; later calls give the first outcome.
#define ORLEND_API_NAME(name) #name,
#define ORLEND_API_SLOT(name) reinterpret_cast<void**>(&table.name),
#define ORLEND_BIND_API_ONCE(FUNCTIONS, TABLE, soname)                                         \
  static const bool loaded = [](auto& table) {                                                 \
    static const char* const names[] = {FUNCTIONS(ORLEND_API_NAME)};                           \
    void** const slots[] = {FUNCTIONS(ORLEND_API_SLOT)};                                       \
    return ::platform::BindNativeLibrary(soname, names, slots, sizeof names / sizeof names[0]); \
  }(TABLE);                                                                                    \
  return loaded
