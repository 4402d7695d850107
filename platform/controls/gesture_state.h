// Between tap-and-hold recognition and the controls: a press that became a hold (whose
// stylus-up a context menu has usually taken) must not start a drag in the control that
// sees the stylus-down afterwards.
#pragma once

#include "platform/windows.h"

namespace platform::controls {

void NoteHeldPress(HWND window, POINT clientPoint);
// True (once) when the press of `window` at `clientPoint` was recognised as a hold.
bool TakeHeldPress(HWND window, POINT clientPoint);

}  // namespace platform::controls
