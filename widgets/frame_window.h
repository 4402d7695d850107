// A double-buffered, owner-painted panel: a rounded grey frame on the hatched background,
// optionally titled in its top border; the owner draws the content through a callback
// into the same off-screen bitmap before it reaches the screen in one copy.
#pragma once

#include "platform/windows.h"

typedef void (*FramePaintCallback)(HDC dc, int state);
typedef void (*FrameButtonCallback)(int button);  // 1 left, 2 right button down
typedef void (*FrameMoveCallback)(LPARAM point);  // x low, y high 16 bits

class FrameWindow {
 public:
  FrameWindow(HWND owner, int x, int y, int width, int height, const WCHAR* title, FramePaintCallback paint,
              FrameButtonCallback button, FrameMoveCallback move);
  ~FrameWindow();
  FrameWindow(const FrameWindow&) = delete;
  FrameWindow& operator=(const FrameWindow&) = delete;

  // 0 light look, anything else dark. The same value again repaints nothing, except -1,
  // which always repaints. Returns the state.
  int SetState(int value);

  int width, height;
  WCHAR* title;  // owned copy, or null
  HDC offscreenDc;
  HBITMAP offscreenBitmap;
  FramePaintCallback paint;
  FrameButtonCallback button;
  FrameMoveCallback move;
  int state;
  HWND window;
  HGDIOBJ previousBitmap;

  void Compose();  // the frame into the off-screen bitmap
};
