#include "widgets/window_frame.h"

#include "device/shell/drawing.h"
#include "widgets/variant.h"

void DrawWindowFrame(HWND window, HDC dc) {
#if ORLEND_INSTALLER_VARIANT
  DrawTwoLineFrame(window, dc, RGB(128, 128, 128));  // the desktop's grey outer line
#else
  DrawDoubleFrame(window, dc, 0);  // the inactive colouring is the navy-blue line
#endif
}
