// The skinned title strip drawn across the top of the toolkit's pop-up windows: the
// caption band, an icon (handheld only), the title and a close box that lights up under
// the stylus. Not a window: the owner paints it and forwards its stylus messages.
#pragma once

#include "platform/windows.h"

#define CAPTION_TITLE_UNITS 256  // 255 units and the terminator

// Loads the band (810), the close boxes (820) and, on the handheld, the title icons (850)
// from the image library, once, before any bar draws. Missing bitmaps are drawn plainly.
void InitCaptionBar(HMODULE imageLibrary);

class CaptionBar {
 public:
  // The title is copied, cut to 255 units.
  CaptionBar(HWND owner, int width, int captionHeight, const WCHAR* title);

  // Paints the whole bar into dc, or into the owner's window DC when dc is null.
  void Draw(HDC dc);
  // Points are packed as in the owner's mouse messages (signed x low, signed y high).
  int MouseMove(LPARAM point);  // 1 over the close box
  void ButtonDown(LPARAM point);
  int ButtonUp(LPARAM point);  // 1 when lifted on the close box: the owner closes

  int width;
  int captionHeight;
  WCHAR title[CAPTION_TITLE_UNITS];
  int titleState;  // 0 normal, 1 stylus over the caption, 2 caption pressed
  int closeState;  // 0 normal, 1 stylus over the close box, 2 close box pressed
  RECT closeBox;
  HWND owner;

 private:
  void DrawTitle(HDC dc);
  void DrawCloseBox(HDC dc);
  void Redraw(int part);
};
