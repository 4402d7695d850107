// The About window's decorative frame (window class "BFC"): a bevelled ring from skin
// bitmap 7000 with a title tab; its inside is cut out, so the page shows and takes taps.
#pragma once

#include "platform/windows.h"

struct TitledFrame {
  int x, y, width, height;
  WCHAR* title;  // owned copy, or null
  int tabHeight;  // 6 with a title, 0 without
  int tabWidth;   // title width + 8, 0 without
  HRGN region;
  int active;
  HWND window;
};

// Once, at start-up: the class and the frame skin (bitmap 7000), kept for the run.
void RegisterTitledFrameClass(HMODULE imageLibrary);
TitledFrame* CreateTitledFrame(HWND owner, int x, int y, int width, int height, const WCHAR* title);
void DestroyTitledFrame(TitledFrame* frame);
