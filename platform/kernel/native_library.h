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
