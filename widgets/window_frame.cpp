#include "widgets/window_frame.h"

#include "device/shell/drawing.h"
#include "widgets/variant.h"

#if ORLEND_INSTALLER_VARIANT
static void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}
#endif

void DrawWindowFrame(HWND window, HDC dc) {
#if ORLEND_INSTALLER_VARIANT
  // The same two lines as the handheld's frame, with the desktop's grey outer line.
  RECT client;
  GetClientRect(window, &client);
  int w = client.right, h = client.bottom;
  HPEN outer = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
  SelectObject(dc, outer);
  Line(dc, 0, 0, w, 0);
  Line(dc, 0, 0, 0, h);
  Line(dc, 0, h - 1, w, h - 1);
  Line(dc, w - 1, 0, w - 1, h);
  HPEN inner = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  SelectObject(dc, inner);
  DeleteObject(outer);
  Line(dc, 1, 1, w - 1, 1);
  Line(dc, 1, 1, 1, h - 1);
  Line(dc, 1, h - 2, w - 1, h - 2);
  Line(dc, w - 2, 1, w - 2, h - 1);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(inner);
#else
  DrawDoubleFrame(window, dc, 0);  // the inactive colouring is the navy-blue line
#endif
}
