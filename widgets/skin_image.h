// A bitmap of the image library kept selected in a memory DC for the whole run, so a
// control's paint is a few plain copies from it.
#pragma once

#include "platform/windows.h"

struct SkinImage {
  HDC dc;  // null when the bitmap is missing: the control then draws plainly
  HBITMAP bitmap;
  HGDIOBJ previous;
  int width, height;
};

// Loads bitmap `id` of `library` into `image`, replacing what it held. A bitmap that is
// missing, or smaller than `minWidth` x `minHeight` (a skin of another layout), leaves the
// image empty, since copying from it would show whatever lies outside the picture.
// Returns 1 when loaded.
int LoadSkinImage(SkinImage* image, HMODULE library, int id, int minWidth, int minHeight);
void FreeSkinImage(SkinImage* image);
