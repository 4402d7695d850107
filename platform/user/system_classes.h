// The layer's own window classes: the screens' windows, the system message box and the
// standard controls of platform/controls. CreateWindowExW looks here after the program's
// classes. See platform/README.md, "Adding a standard control".
#pragma once

#include "platform/windows.h"

namespace platform {

// Registers a class every program can create by name. False for a bad class or a name
// already taken by another system class.
bool RegisterSystemClass(const WNDCLASSW& cls);

}  // namespace platform
