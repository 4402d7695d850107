// Tracking a pop-up menu, shared by TrackPopupMenu and the handheld's menu bar.
#pragma once

#include "platform/windows.h"

namespace platform::controls {

struct TrackResult {
  UINT command = 0;              // the chosen command, 0 when dismissed
  bool dismissedByPress = false;  // a press outside the menu ended it
  POINT pressPoint{};             // that press, screen coordinates (it is not passed on)
};

// Shows `menu` at (x, y) aligned by the TPM_ flags, kept on the screen, and runs the modal
// loop until a choice, a press outside, Escape, or the end of input. Sends nothing itself.
TrackResult TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner);

}  // namespace platform::controls
