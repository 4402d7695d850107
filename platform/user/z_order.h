// Keeping sibling lists in z-order: topmost windows before the others, owned windows in
// front of their owners.
#pragma once

#include "user/window_system.h"

namespace platform {

// Places w among its siblings: HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST or a
// sibling to go right behind. Returns whether the order changed.
bool InsertInZOrder(Window* w, HWND insertAfter);

}  // namespace platform
