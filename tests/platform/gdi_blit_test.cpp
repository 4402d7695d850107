// Copies between DCs, surface DCs for windows, and clipping.
#include <gtest/gtest.h>

#include "gdi_test_util.h"

using gdi_test::Canvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

// A source with a different colour in every pixel, so copies can be traced back.
void Paint(Canvas& c) {
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) SetPixel(c.dc, x, y, RGB(x * 10, y * 10, 7));
}

COLORREF Source(int x, int y) { return RGB(x * 10, y * 10, 7); }

TEST(GdiBlit, BitBltCopiesWithOffsetsAndLeavesTheRest) {
  Canvas src(6, 6);
  Paint(src);
  Canvas dst(8, 8);
  EXPECT_TRUE(BitBlt(dst.dc, 3, 2, 3, 2, src.dc, 1, 4, SRCCOPY));
  EXPECT_EQ(dst.at(3, 2), Source(1, 4));
  EXPECT_EQ(dst.at(5, 3), Source(3, 5));
  EXPECT_EQ(dst.at(2, 2), kWhite);
  EXPECT_EQ(dst.at(6, 2), kWhite);
  EXPECT_EQ(dst.at(3, 4), kWhite);
  EXPECT_EQ(dst.Inked(), 6);
}

TEST(GdiBlit, CopiesAreClippedOnBothSides) {
  Canvas src(4, 4);
  Paint(src);
  Canvas dst(5, 5);
  // Destination partly outside, and a source area that runs past the source bitmap:
  // pixels without a source stay as they were.
  BitBlt(dst.dc, -1, 3, 4, 4, src.dc, 2, 0, SRCCOPY);
  EXPECT_EQ(dst.at(0, 3), Source(3, 0));
  EXPECT_EQ(dst.at(0, 4), Source(3, 1));
  EXPECT_EQ(dst.at(1, 3), kWhite);  // its source column 4 does not exist
  EXPECT_EQ(dst.Inked(), 2);
}

TEST(GdiBlit, RasterOperationsCombineSourceAndDestination) {
  Canvas src(1, 1, RGB(0x0F, 0xF0, 0x55));
  Canvas dst(4, 1, RGB(0x33, 0x33, 0x33));
  BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCAND);
  BitBlt(dst.dc, 1, 0, 1, 1, src.dc, 0, 0, SRCPAINT);
  BitBlt(dst.dc, 2, 0, 1, 1, src.dc, 0, 0, SRCINVERT);
  BitBlt(dst.dc, 3, 0, 1, 1, src.dc, 0, 0, NOTSRCCOPY);
  EXPECT_EQ(dst.at(0, 0), RGB(0x03, 0x30, 0x11));
  EXPECT_EQ(dst.at(1, 0), RGB(0x3F, 0xF3, 0x77));
  EXPECT_EQ(dst.at(2, 0), RGB(0x3C, 0xC3, 0x66));
  EXPECT_EQ(dst.at(3, 0), RGB(0xF0, 0x0F, 0xAA));
  // A missing source DC fails for an operation that needs one.
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(dst.at(0, 0), kWhite);
}

TEST(GdiBlit, StretchBltIsNearestNeighbour) {
  Canvas src(2, 1);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 1, 0, kGreen);
  Canvas dst(7, 3);
  // One column stretched over five pixels, as the caption bar stretches its middle.
  StretchBlt(dst.dc, 1, 0, 5, 2, src.dc, 1, 0, 1, 1, SRCCOPY);
  EXPECT_EQ(dst.Row(0), ".#####.");
  EXPECT_EQ(dst.Row(1), ".#####.");
  EXPECT_EQ(dst.at(3, 1), kGreen);
  // Doubling keeps each source pixel as a 2 x 2 block.
  Canvas two(4, 2);
  StretchBlt(two.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(two.at(0, 0), kRed);
  EXPECT_EQ(two.at(1, 1), kRed);
  EXPECT_EQ(two.at(2, 0), kGreen);
  EXPECT_EQ(two.at(3, 1), kGreen);
  // Shrinking picks every second pixel.
  Canvas wide(4, 1);
  SetPixel(wide.dc, 0, 0, kRed);
  SetPixel(wide.dc, 2, 0, kGreen);
  Canvas half(2, 1);
  StretchBlt(half.dc, 0, 0, 2, 1, wide.dc, 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(half.at(0, 0), kRed);
  EXPECT_EQ(half.at(1, 0), kGreen);
  // Opposite signs mirror.
  Canvas mirror(2, 1);
  StretchBlt(mirror.dc, 1, 0, -2, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(mirror.at(0, 0), kGreen);
  EXPECT_EQ(mirror.at(1, 0), kRed);
}

TEST(GdiBlit, OverlappingCopyWithinOneBitmap) {
  Canvas c(6, 1);
  for (int x = 0; x < 6; ++x) SetPixel(c.dc, x, 0, RGB(x, 0, 0));
  BitBlt(c.dc, 1, 0, 5, 1, c.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(c.at(x, 0), RGB(x - 1, 0, 0)) << x;
}

// A window's DC: logical (0, 0) at the window's origin on the screen, clipped to what is visible.
TEST(GdiSurfaceDc, DrawsAtItsOriginInsideItsClip) {
  platform::Surface screen(20, 10, 0xFFFFFF);
  platform::Region clip(RECT{5, 2, 15, 8});
  clip.subtract(RECT{10, 2, 15, 5});  // covered by another window
  HDC dc = platform::CreateSurfaceDC(&screen, POINT{5, 2}, clip);
  ASSERT_NE(dc, nullptr);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{-100, -100, 100, 100};
  FillRect(dc, &all, red);
  int inked = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) inked += screen.pixel(x, y) != 0xFFFFFF;
  EXPECT_EQ(inked, 10 * 6 - 5 * 3);
  EXPECT_EQ(screen.pixel(5, 2), 0xFF0000u);
  EXPECT_EQ(screen.pixel(12, 3), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
  EXPECT_EQ(GetPixel(dc, 7, 1), CLR_INVALID);  // under the covering window
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(box.bottom, 6);

  // Re-targeting moves the origin and the clip.
  platform::SetSurfaceDCClip(dc, POINT{0, 0}, platform::Region(RECT{0, 0, 2, 2}));
  HBRUSH green = CreateSolidBrush(kGreen);
  FillRect(dc, &all, green);
  EXPECT_EQ(screen.pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(screen.pixel(2, 2), 0xFFFFFFu);
  platform::DeleteSurfaceDC(dc);
  EXPECT_EQ(GetObjectType(dc), 0u);
  DeleteObject(red);
  DeleteObject(green);
}

TEST(GdiSurfaceDc, MemoryBitmapToWindowCopy) {
  platform::Surface screen(10, 10, 0xFFFFFF);
  HDC window = platform::CreateSurfaceDC(&screen, POINT{2, 3}, platform::Region(RECT{0, 0, 10, 10}));
  Canvas src(3, 3, kRed);
  BitBlt(window, 1, 1, 3, 3, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(screen.pixel(3, 4), 0xFF0000u);
  EXPECT_EQ(screen.pixel(5, 6), 0xFF0000u);
  EXPECT_EQ(screen.pixel(6, 6), 0xFFFFFFu);
  // And back from the window into a bitmap.
  Canvas back(3, 3);
  BitBlt(back.dc, 0, 0, 3, 3, window, 0, 0, SRCCOPY);
  EXPECT_EQ(back.Row(0), "...");
  EXPECT_EQ(back.Row(1), ".##");
  platform::DeleteSurfaceDC(window);
}

TEST(GdiClip, SelectClipRgnLimitsDrawingAndIsCopied) {
  Canvas c(10, 10);
  HRGN rgn = CreateRectRgn(2, 2, 6, 6);
  HRGN hole = CreateRectRgn(3, 3, 5, 5);
  EXPECT_EQ(CombineRgn(rgn, rgn, hole, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(SelectClipRgn(c.dc, rgn), COMPLEXREGION);
  // The DC keeps its own copy: changing the region afterwards changes nothing.
  SetRectRgn(rgn, 0, 0, 10, 10);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{0, 0, 10, 10};
  FillRect(c.dc, &all, red);
  EXPECT_EQ(c.Inked(), 16 - 4);
  EXPECT_EQ(c.at(3, 3), kWhite);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(c.dc, copy), 1);
  EXPECT_TRUE(PtInRegion(copy, 2, 2));
  EXPECT_FALSE(PtInRegion(copy, 3, 3));
  SelectClipRgn(c.dc, nullptr);
  EXPECT_EQ(GetClipRgn(c.dc, copy), 0);
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 10);
  // Narrowing by rectangle.
  IntersectClipRect(c.dc, 8, 8, 20, 20);
  FillRect(c.dc, &all, red);
  EXPECT_EQ(c.Inked(), 12 + 4);
  ExcludeClipRect(c.dc, 8, 8, 9, 9);
  EXPECT_FALSE(PtVisible(c.dc, 8, 8));
  EXPECT_TRUE(PtVisible(c.dc, 9, 9));
  DeleteObject(red);
  DeleteObject(rgn);
  DeleteObject(hole);
  DeleteObject(copy);
}

TEST(GdiRegions, CombineOffsetAndQuery) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
  RECT box;
  GetRgnBox(r, &box);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.bottom, 10);
  EXPECT_EQ(CombineRgn(r, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_TRUE(PtInRegion(r, 12, 12));
  EXPECT_TRUE(PtInRegion(r, 1, 1));
  EXPECT_EQ(CombineRgn(r, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(r, 14, 14));
  EXPECT_FALSE(PtInRegion(r, 14, 1));
  EXPECT_EQ(CombineRgn(r, a, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(r, a));
  EXPECT_EQ(OffsetRgn(r, 100, -5), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(r, 100, -5));
  EXPECT_FALSE(PtInRegion(r, 110, 0));  // the right edge is outside
  EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);
  EXPECT_EQ(CombineRgn(r, a, b, 99), ERROR);
  EXPECT_EQ(CombineRgn(r, a, reinterpret_cast<HRGN>(GetStockObject(WHITE_BRUSH)), RGN_OR), ERROR);
  EXPECT_NE(platform::RegionOfHandle(a), nullptr);
  EXPECT_EQ(platform::RegionOfHandle(reinterpret_cast<HRGN>(GetStockObject(WHITE_BRUSH))), nullptr);
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(r);
}

}  // namespace
