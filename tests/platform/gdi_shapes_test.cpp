// Lines, rectangles, rounded rectangles and raster fills, probed pixel by pixel.
#include <gtest/gtest.h>

#include "gdi_test_util.h"

using gdi_test::Canvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

struct PenScope {
  HDC dc;
  HPEN pen;
  HGDIOBJ old;
  PenScope(HDC d, int style, int width, COLORREF c) : dc(d), pen(CreatePen(style, width, c)), old(SelectObject(d, pen)) {}
  ~PenScope() {
    SelectObject(dc, old);
    DeleteObject(pen);
  }
};

struct BrushScope {
  HDC dc;
  HBRUSH brush;
  HGDIOBJ old;
  BrushScope(HDC d, COLORREF c) : dc(d), brush(CreateSolidBrush(c)), old(SelectObject(d, brush)) {}
  ~BrushScope() {
    SelectObject(dc, old);
    DeleteObject(brush);
  }
};

TEST(GdiLines, LineToCoversTheStartAndStopsBeforeTheEnd) {
  Canvas c(12, 12);
  PenScope pen(c.dc, PS_SOLID, 1, kRed);
  MoveToEx(c.dc, 2, 3, nullptr);
  LineTo(c.dc, 8, 3);
  EXPECT_EQ(c.Row(3), "..######....");
  LineTo(c.dc, 8, 9);  // continues from the previous end point, which it now covers
  EXPECT_EQ(c.Column(8), "...######...");
  // Leftwards and upwards the end point is excluded too.
  MoveToEx(c.dc, 9, 11, nullptr);
  LineTo(c.dc, 5, 11);
  EXPECT_EQ(c.Row(11), "......####..");
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 11);
}

TEST(GdiLines, DiagonalsAndSteepLinesStepOnePixelAtATime) {
  Canvas c(10, 10);
  PenScope pen(c.dc, PS_SOLID, 1, kRed);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 5, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(c.at(i, i), kRed) << i;
  EXPECT_EQ(c.at(5, 5), kWhite);
  EXPECT_EQ(c.Inked(), 5);
  Canvas s(10, 10);
  PenScope pen2(s.dc, PS_SOLID, 1, kRed);
  MoveToEx(s.dc, 1, 0, nullptr);
  LineTo(s.dc, 3, 8);
  EXPECT_EQ(s.Inked(), 8);  // one pixel per row, rows 0..7
  for (int y = 0; y < 8; ++y) EXPECT_NE(s.Row(y), "..........") << y;
}

TEST(GdiLines, NullPenDrawsNothingAndLinesAreClippedToTheBitmap) {
  Canvas c(8, 8);
  {
    PenScope pen(c.dc, PS_NULL, 1, kRed);
    MoveToEx(c.dc, 0, 4, nullptr);
    LineTo(c.dc, 8, 4);
    EXPECT_EQ(c.Inked(), 0);
  }
  PenScope pen(c.dc, PS_SOLID, 1, kRed);
  MoveToEx(c.dc, -1000000, 2, nullptr);
  LineTo(c.dc, 1000000, 2);
  EXPECT_EQ(c.Row(2), "########");
  MoveToEx(c.dc, -2000000000, -2000000000, nullptr);
  LineTo(c.dc, 2000000000, 2000000000);  // crosses the bitmap along its diagonal
  EXPECT_EQ(c.at(5, 5), kRed);
}

TEST(GdiShapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas c(8, 6);
  PenScope pen(c.dc, PS_SOLID, 1, kRed);
  BrushScope brush(c.dc, kBlue);
  Rectangle(c.dc, 1, 1, 6, 5);
  // The right and bottom edges given are outside: the outline covers columns 1..5, rows 1..4.
  EXPECT_EQ(c.Row(0), "........");
  EXPECT_EQ(c.Row(1), ".#####..");
  EXPECT_EQ(c.Row(4), ".#####..");
  EXPECT_EQ(c.at(1, 2), kRed);
  EXPECT_EQ(c.at(5, 2), kRed);
  EXPECT_EQ(c.at(2, 2), kBlue);
  EXPECT_EQ(c.at(4, 3), kBlue);
  EXPECT_EQ(c.at(6, 2), kWhite);
  EXPECT_EQ(c.at(2, 5), kWhite);
}

TEST(GdiShapes, RectangleWithTheNullPenIsOnePixelSmaller) {
  Canvas c(8, 6);
  HGDIOBJ old = SelectObject(c.dc, GetStockObject(NULL_PEN));
  BrushScope brush(c.dc, kBlue);
  Rectangle(c.dc, 1, 1, 6, 5);
  EXPECT_EQ(c.Row(1), ".####...");
  EXPECT_EQ(c.Row(3), ".####...");
  EXPECT_EQ(c.Row(4), "........");
  SelectObject(c.dc, old);
}

TEST(GdiShapes, RectangleWithTheNullBrushLeavesTheInside) {
  Canvas c(6, 6, kBlue);
  HGDIOBJ old = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 0, 0, 6, 6);  // black stock pen
  EXPECT_EQ(c.at(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.at(5, 5), RGB(0, 0, 0));
  EXPECT_EQ(c.at(2, 2), kBlue);
  SelectObject(c.dc, old);
}

// The frame window's 20 x 20 corner ellipses: the pixels of the platform's quarter circle.
TEST(GdiShapes, RoundRectCornersAreQuarterCirclesOfTheEllipseSize) {
  Canvas c(40, 30, kBlue);
  PenScope pen(c.dc, PS_SOLID, 1, kRed);
  HGDIOBJ old = SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  RoundRect(c.dc, 0, 0, 40, 30, 20, 20);
  SelectObject(c.dc, old);
  auto row = [&](int y) {
    std::string s;
    for (int x = 0; x < 12; ++x) {
      COLORREF p = c.at(x, y);
      s += p == kRed ? '#' : p == kWhite ? 'o' : '.';
    }
    return s;
  };
  EXPECT_EQ(row(0), ".......#####");
  EXPECT_EQ(row(1), ".....##ooooo");
  EXPECT_EQ(row(2), "....#ooooooo");
  EXPECT_EQ(row(3), "...#oooooooo");
  EXPECT_EQ(row(4), "..#ooooooooo");
  EXPECT_EQ(row(5), ".#oooooooooo");
  EXPECT_EQ(row(6), ".#oooooooooo");
  EXPECT_EQ(row(7), "#ooooooooooo");
  EXPECT_EQ(row(10), "#ooooooooooo");
  // The other corners are mirror images; the right and bottom edges are excluded.
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(c.at(x, y), c.at(39 - x, y)) << x << "," << y;
      ASSERT_EQ(c.at(x, y), c.at(x, 29 - y)) << x << "," << y;
    }
  EXPECT_EQ(c.at(20, 0), kRed);
  EXPECT_EQ(c.at(20, 29), kRed);
  EXPECT_EQ(c.at(39, 15), kRed);
}

TEST(GdiShapes, EllipseFillsInsideItsOutline) {
  Canvas c(21, 21, kBlue);
  PenScope pen(c.dc, PS_SOLID, 1, kRed);
  BrushScope brush(c.dc, kWhite);
  Ellipse(c.dc, 0, 0, 20, 20);
  EXPECT_EQ(c.at(10, 10), kWhite);
  EXPECT_EQ(c.at(0, 0), kBlue);
  EXPECT_EQ(c.at(0, 9), kRed);
  EXPECT_EQ(c.at(19, 9), kRed);
  EXPECT_EQ(c.at(20, 9), kBlue);
  EXPECT_EQ(c.at(9, 19), kRed);
  EXPECT_EQ(c.at(9, 20), kBlue);
}

TEST(GdiShapes, FillRectFrameRectAndFocusRect) {
  Canvas c(8, 8);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT r{1, 1, 5, 4};
  EXPECT_TRUE(FillRect(c.dc, &r, red));
  EXPECT_EQ(c.Inked(), 12);
  EXPECT_EQ(c.InkBox().right, 5);
  Canvas f(8, 8);
  FrameRect(f.dc, &r, red);
  EXPECT_EQ(f.Row(1), ".####...");
  EXPECT_EQ(f.Row(2), ".#..#...");
  EXPECT_EQ(f.Row(3), ".####...");
  EXPECT_FALSE(FillRect(c.dc, &r, nullptr));
  // A system colour index + 1 stands for that colour's brush.
  RECT corner{7, 7, 8, 8};
  EXPECT_TRUE(FillRect(c.dc, &corner, reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1)));
  EXPECT_EQ(c.at(7, 7), GetSysColor(COLOR_WINDOWTEXT));
  DeleteObject(red);
  // The focus rectangle inverts every second pixel; drawing it again restores the picture.
  Canvas g(8, 8);
  RECT whole{0, 0, 8, 8};
  DrawFocusRect(g.dc, &whole);
  EXPECT_EQ(g.Row(0), "#.#.#.#.");
  EXPECT_EQ(g.at(0, 0), RGB(0, 0, 0));
  DrawFocusRect(g.dc, &whole);
  EXPECT_EQ(g.Inked(), 0);
}

TEST(GdiShapes, PatBltRasterOperations) {
  Canvas c(6, 2, RGB(0x10, 0x20, 0x30));
  BrushScope brush(c.dc, RGB(0xF0, 0x0F, 0xFF));
  PatBlt(c.dc, 0, 0, 1, 2, PATCOPY);
  PatBlt(c.dc, 1, 0, 1, 2, WHITENESS);
  PatBlt(c.dc, 2, 0, 1, 2, BLACKNESS);
  PatBlt(c.dc, 3, 0, 1, 2, PATINVERT);
  PatBlt(c.dc, 4, 0, 1, 2, DSTINVERT);
  EXPECT_EQ(c.at(0, 0), RGB(0xF0, 0x0F, 0xFF));
  EXPECT_EQ(c.at(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(c.at(2, 1), RGB(0, 0, 0));
  EXPECT_EQ(c.at(3, 0), RGB(0xF0 ^ 0x10, 0x0F ^ 0x20, 0xFF ^ 0x30));
  EXPECT_EQ(c.at(4, 0), RGB(0xEF, 0xDF, 0xCF));
  EXPECT_EQ(c.at(5, 0), RGB(0x10, 0x20, 0x30));
  // A negative extent counts from the other corner.
  PatBlt(c.dc, 6, 2, -1, -1, WHITENESS);
  EXPECT_EQ(c.at(5, 1), RGB(255, 255, 255));
  // PatBlt takes no source; a source operation is refused.
  EXPECT_FALSE(PatBlt(c.dc, 0, 0, 2, 2, SRCCOPY));
  // With the null brush the pattern operations leave the pixels.
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  PatBlt(c.dc, 5, 0, 1, 1, PATCOPY);
  EXPECT_EQ(c.at(5, 0), RGB(0x10, 0x20, 0x30));
}

TEST(GdiShapes, SetPixelAndGetPixelOutsideTheBitmap) {
  Canvas c(4, 4);
  EXPECT_EQ(SetPixel(c.dc, 1, 2, kRed), kRed);
  EXPECT_EQ(GetPixel(c.dc, 1, 2), kRed);
  EXPECT_EQ(GetPixel(c.dc, 4, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc, -1, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc, 9, 9, kRed), static_cast<COLORREF>(-1));
}

}  // namespace
