// A one-line text drawn once into an off-screen bitmap over the hatched background (the
// result count under the search field). The window takes the text's size.
#pragma once

#include "platform/windows.h"

struct LabelControl {
  HWND window;
  HDC offscreenDc;
  HBITMAP offscreenBitmap;
  int width, height;  // of the rendered text
  WCHAR* text;        // owned copy
  int x, y;
  int fontHeight;     // negative: the character height
  COLORREF colour;
  HGDIOBJ previousBitmap;
};

void RegisterLabelClass();
LabelControl* CreateLabel(HWND parent, int x, int y, const WCHAR* text, int fontSize);
// Re-renders and resizes the label; its position stays.
void SetLabelText(LabelControl* label, const WCHAR* text);
void DestroyLabel(LabelControl* label);
