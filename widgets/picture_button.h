// The small image button (the definition panel's Previous and Next arrows): four faces
// cut from one strip of the image library, a click handler, and an explanation tip when
// the pointer rests on it.
#pragma once

#include "platform/windows.h"
#include "widgets/explanation_popup.h"

typedef void (*PictureButtonHandler)();

struct PictureButtonControl {
  HWND window;
  HDC faceDc;
  HBITMAP faceBitmap;   // 4 * width by height: normal, hover, pressed, disabled
  int state;            // 0 normal, 1 hover, 2 pressed, 3 disabled
  RECT bounds;          // in the parent
  int width, height;    // one face
  int bitmapId;
  int enabled;
  WCHAR* explanation;   // owned copy
  HoverTrack hover;     // still rectangle, still since, popup, popup used
  PictureButtonHandler click;
  HGDIOBJ previousBitmap;
};

// Once, before any button exists.
void RegisterPictureButtonClass(HMODULE imageLibrary);

// A button with faces from bitmap `bitmapId` of `imageLibrary` (the registered library
// when null). Without the bitmap the faces are drawn plainly.
PictureButtonControl* CreatePictureButton(HWND parent, int x, int y, int width, int height, HMODULE imageLibrary,
                                          int bitmapId, PictureButtonHandler click, const WCHAR* explanation);
void SetPictureButtonEnabled(PictureButtonControl* button, int enabled);
// Ends its hover, destroys its tip and window and frees it.
void DestroyPictureButton(PictureButtonControl* button);
