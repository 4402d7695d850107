// The non-client area: borders, the desktop's captions, scroll bars, dragging a window.
#pragma once

#include "user/window_system.h"

namespace platform {

// Captions are drawn on the desktop screen only: the handheld shows titles in its title bar.
bool HasCaption(const Window* w);
RECT ClientFromWindowRect(const Window* w, RECT windowRect);  // both in the parent's coordinates
LRESULT NonClientHitTest(const Window* w, POINT screen);
void PaintNonClient(Window* w);
// Follows the stylus until it is lifted, moving the window by as much as the stylus moved.
void RunMoveLoop(Window* w, POINT start);
void TrackCloseBox(Window* w);

// Standard scroll bars (scroll_bars.cpp).
void PaintScrollBars(Window* w, HDC windowDC);
void TrackScrollBar(Window* w, int bar, POINT screen);
RECT ScrollBarRect(const Window* w, int bar);  // window coordinates; empty when absent

}  // namespace platform
