// Object handles, selection, stock objects, saved DC states and device capabilities.
#include <gtest/gtest.h>

#include "gdi_test_util.h"
#include "tests/support/memory_limit.h"

using gdi_test::Canvas;

namespace {

TEST(GdiObjects, SelectObjectAnswersThePreviousObjectOfThatKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_PEN)), pen);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(SelectObject(nullptr, pen), nullptr);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(GdiObjects, DeletedAndSelectedObjects) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HGDIOBJ old = SelectObject(dc, pen);
  // An object selected into a DC is not deleted, as documented for the platform.
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(pen));
  // A deleted handle is refused everywhere rather than used.
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  LOGPEN lp;
  EXPECT_EQ(GetObjectW(pen, sizeof lp, &lp), 0);
  // Stock objects survive deletion.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_EQ(GetStockObject(99), nullptr);
  DeleteDC(dc);
}

TEST(GdiObjects, ABitmapLivesInOneMemoryDcAtATime) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(a, 5, 4);
  HGDIOBJ first = SelectObject(a, bmp);
  ASSERT_NE(first, nullptr);  // the DC's initial 1 x 1 bitmap
  BITMAP info;
  ASSERT_EQ(GetObjectW(first, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 1);
  EXPECT_EQ(SelectObject(b, bmp), nullptr);
  EXPECT_FALSE(DeleteObject(bmp));
  ASSERT_EQ(GetObjectW(bmp, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 5);
  EXPECT_EQ(info.bmHeight, 4);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(info.bmWidthBytes, 20);
  EXPECT_EQ(GetObjectW(bmp, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
  DeleteDC(a);  // frees the bitmap for another DC
  EXPECT_NE(SelectObject(b, bmp), nullptr);
  SelectObject(b, first);
  EXPECT_TRUE(DeleteObject(bmp));
  DeleteDC(b);
  // Surface DCs take no bitmap.
  platform::Surface s(2, 2);
  HDC window = platform::CreateSurfaceDC(&s, POINT{0, 0}, platform::Region(RECT{0, 0, 2, 2}));
  HBITMAP other = CreateCompatibleBitmap(window, 2, 2);
  EXPECT_EQ(SelectObject(window, other), nullptr);
  platform::DeleteSurfaceDC(window);
  DeleteObject(other);
}

TEST(GdiObjects, BitmapsFromSizesAndBits) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP empty = CreateCompatibleBitmap(dc, 0, 7);
  BITMAP info;
  GetObjectW(empty, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 1);
  EXPECT_EQ(info.bmHeight, 1);
  EXPECT_EQ(CreateCompatibleBitmap(dc, -3, 3), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(dc, 100000, 100000), nullptr);
  // One bit per pixel, rows padded to 16 bits.
  const unsigned char bits[] = {0xA0, 0x00, 0x40, 0x00};
  HBITMAP mono = CreateBitmap(3, 2, 1, 1, bits);
  ASSERT_NE(mono, nullptr);
  platform::Surface* s = platform::SurfaceOfBitmap(mono);
  EXPECT_EQ(s->pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(s->pixel(1, 0), 0u);
  EXPECT_EQ(s->pixel(2, 0), 0xFFFFFFu);
  EXPECT_EQ(s->pixel(1, 1), 0xFFFFFFu);
  EXPECT_EQ(CreateBitmap(2, 2, 1, 8, bits), nullptr);
  EXPECT_EQ(platform::SurfaceOfBitmap(reinterpret_cast<HBITMAP>(dc)), nullptr);
  DeleteObject(empty);
  DeleteObject(mono);
  DeleteDC(dc);
}

// Out of memory, a bitmap is not made: null, as documented, never an exception; the DC and
// the calls after it go on.
TEST(GdiObjects, ABitmapThatFindsNoMemoryIsNull) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator ends the process where the plain one throws";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "the sanitizer's allocator ends the process where the plain one throws";
#endif
#endif
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP big = nullptr, small = nullptr;
  {
    test::MemoryLimit limit(size_t{64} << 20);
    ASSERT_TRUE(limit.ok());
    big = CreateCompatibleBitmap(dc, 8000, 8000);  // 256 MB of pixels
    small = CreateCompatibleBitmap(dc, 16, 16);
  }
  EXPECT_EQ(big, nullptr);
  ASSERT_NE(small, nullptr);
  EXPECT_NE(SelectObject(dc, small), nullptr);
  DeleteDC(dc);
  DeleteObject(small);
}

TEST(GdiObjects, SaveDcAndRestoreDc) {
  Canvas c(4, 4);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  int level = SaveDC(c.dc);
  EXPECT_EQ(level, 1);
  SelectObject(c.dc, red);
  SetTextColor(c.dc, RGB(1, 1, 1));
  SetBkMode(c.dc, TRANSPARENT);
  HRGN clip = CreateRectRgn(0, 0, 1, 1);
  SelectClipRgn(c.dc, clip);
  EXPECT_EQ(SaveDC(c.dc), 2);
  SetTextColor(c.dc, RGB(2, 2, 2));
  EXPECT_TRUE(RestoreDC(c.dc, -1));
  EXPECT_EQ(GetTextColor(c.dc), RGB(1, 1, 1));
  EXPECT_TRUE(RestoreDC(c.dc, level));
  EXPECT_EQ(GetTextColor(c.dc), RGB(0, 0, 0));
  EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_TRUE(PtVisible(c.dc, 3, 3));
  EXPECT_FALSE(RestoreDC(c.dc, 1));  // nothing saved any more
  // The pen is free again once no saved state holds it.
  EXPECT_TRUE(DeleteObject(red));
  DeleteObject(clip);
}

TEST(GdiObjects, AttributesAnswerTheirPreviousValue) {
  Canvas c(1, 1);
  EXPECT_EQ(SetTextColor(c.dc, RGB(9, 8, 7)), RGB(0, 0, 0));
  EXPECT_EQ(SetBkColor(c.dc, RGB(1, 1, 1)), RGB(255, 255, 255));
  EXPECT_EQ(SetBkMode(c.dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(c.dc, 7), 0);
  EXPECT_EQ(SetTextAlign(c.dc, TA_BASELINE), static_cast<UINT>(TA_TOP));
  EXPECT_EQ(SetStretchBltMode(c.dc, COLORONCOLOR), BLACKONWHITE);
  EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
}

TEST(GdiObjects, DeviceCapsReportTheScreen) {
  platform::SetScreenSize(480, 640);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 480);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 640);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  platform::SetScreenSize(240, 320);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 240);
  EXPECT_EQ(GetDeviceCaps(nullptr, HORZRES), 0);
  DeleteDC(dc);
}

TEST(GdiObjects, PensAndBrushesDescribeThemselves) {
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(10, 20, 30));
  LOGPEN lp{};
  EXPECT_EQ(GetObjectW(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(10, 20, 30));
  LOGBRUSH lb{BS_SOLID, RGB(7, 7, 7), 0};
  HBRUSH brush = CreateBrushIndirect(&lb);
  LOGBRUSH back{};
  GetObjectW(brush, sizeof back, &back);
  EXPECT_EQ(back.lbColor, RGB(7, 7, 7));
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace
