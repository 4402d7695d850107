// What the window system and the resource loader need from the drawing layer.
#pragma once

#include <cstddef>

#include "platform/region.h"
#include "platform/surface.h"
#include "platform/windef.h"

namespace platform {

// A device context that draws onto `surface`, with logical (0,0) at `origin` (surface
// coordinates) and everything clipped to `clip` (surface coordinates). GetDC, BeginPaint and
// the screen DC are made with it.
HDC CreateSurfaceDC(Surface* surface, POINT origin, const Region& clip);
void SetSurfaceDCClip(HDC dc, POINT origin, const Region& clip);  // re-targets a DC
void DeleteSurfaceDC(HDC dc);  // the DC only; selected objects are the caller's business
Surface* SurfaceOfBitmap(HBITMAP bitmap);  // null for a non-bitmap handle
const Region* RegionOfHandle(HRGN region);  // null for a non-region handle
// From a packed DIB: BITMAPINFOHEADER, colour table, bits (as in RT_BITMAP resources).
// Null on a bad or truncated DIB.
HBITMAP CreateBitmapFromPackedDib(const void* data, size_t size);
// The screen's size, which memory DCs report through GetDeviceCaps; set by the window system.
void SetScreenSize(int width, int height);
// Font faces can be hidden, so tests can see the program on a handheld without a font.
void SetFontFaceHidden(const WCHAR* windowsFaceName, bool hidden);

}  // namespace platform
