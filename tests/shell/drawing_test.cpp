// The program's drawing helpers: hatching, frames, skin frames with their corner pieces,
// styled captions and the two-dot shortening.
#include <gtest/gtest.h>

#include <string>

#include "device/shell/drawing.h"
#include "tests/platform/gdi_test_util.h"
#include "tests/support/headless_screen.h"
#include "tests/support/pixels.h"

using gdi_test::Canvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlue = RGB(0, 0, 255);

COLORREF Grey(int v) { return RGB(v, v, v); }

TEST(FillHatched, LinesOnEverySecondRowAndOneBelowAnEvenHeight) {
  Canvas c(12, 7, kBlue);
  FillHatched(c.dc, 0, 0, 10, 4, 1);
  for (int y : {0, 2, 4})
    for (int x = 0; x < 10; ++x) ASSERT_EQ(c.at(x, y), Grey(220)) << x << "," << y;
  for (int y : {1, 3})
    for (int x = 0; x < 10; ++x) ASSERT_EQ(c.at(x, y), kWhite) << x << "," << y;
  // Row 4 lies outside the white fill: its line is drawn over what was there before.
  EXPECT_EQ(c.at(10, 4), kBlue);
  EXPECT_EQ(c.at(0, 5), kBlue);
  EXPECT_EQ(c.at(10, 0), kBlue);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
}

TEST(FillHatched, InactiveLinesAreLighterAndTheAreaCanStartAnywhere) {
  Canvas c(12, 8, kBlue);
  FillHatched(c.dc, 3, 1, 5, 3, 0);
  EXPECT_EQ(c.at(3, 1), Grey(240));
  EXPECT_EQ(c.at(7, 3), Grey(240));
  EXPECT_EQ(c.at(5, 2), kWhite);
  EXPECT_EQ(c.at(3, 4), kBlue);  // 1 + 3 is odd: no line below
  EXPECT_EQ(c.at(8, 1), kBlue);
  EXPECT_EQ(c.at(2, 1), kBlue);
}

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

class WindowDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    ASSERT_TRUE(test::RegisterTestClass(u"DrawingTestWindow", PlainProc));
    window_ = CreateWindowExW(0, u"DrawingTestWindow", u"", WS_POPUP | WS_VISIBLE, 10, 40, 30, 20, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }
  test::HeadlessScreen screen_;
  HWND window_ = nullptr;
};

TEST_F(WindowDrawing, DoubleFrameAroundTheClientArea) {
  for (int active : {1, 0}) {
    Canvas c(32, 22, kBlue);
    DrawDoubleFrame(window_, c.dc, active);
    COLORREF outer = active ? Grey(228) : RGB(0, 0, 192);
    for (POINT p : {POINT{0, 0}, POINT{29, 0}, POINT{0, 19}, POINT{29, 19}, POINT{15, 0}, POINT{29, 10}})
      EXPECT_EQ(c.at(p.x, p.y), outer) << p.x << "," << p.y;
    for (POINT p : {POINT{1, 1}, POINT{28, 1}, POINT{1, 18}, POINT{28, 18}, POINT{15, 18}, POINT{1, 10}})
      EXPECT_EQ(c.at(p.x, p.y), kWhite) << p.x << "," << p.y;
    EXPECT_EQ(c.at(2, 2), kBlue);
    EXPECT_EQ(c.at(30, 5), kBlue);  // the client area is 30 x 20
    EXPECT_EQ(c.at(5, 20), kBlue);
  }
}

TEST_F(WindowDrawing, SkinFrameRingsAtTheirLevels) {
  LoadSkinCorners(window_, nullptr);  // no image library: no corners
  Canvas c(30, 20, kBlue);
  DrawSkinFrame(c.dc, 30, 20, 0);
  EXPECT_EQ(c.at(10, 0), Grey(153));
  EXPECT_EQ(c.at(0, 0), Grey(153));  // the left line stops before its end point
  EXPECT_EQ(c.at(29, 0), Grey(228));
  EXPECT_EQ(c.at(29, 10), Grey(228));
  EXPECT_EQ(c.at(29, 19), Grey(249));
  EXPECT_EQ(c.at(10, 19), Grey(249));
  EXPECT_EQ(c.at(0, 19), Grey(143));
  EXPECT_EQ(c.at(0, 10), Grey(143));
  EXPECT_EQ(c.at(10, 1), Grey(180));
  EXPECT_EQ(c.at(28, 10), Grey(225));
  EXPECT_EQ(c.at(10, 18), Grey(242));
  EXPECT_EQ(c.at(1, 10), Grey(198));
  EXPECT_EQ(c.at(5, 5), kBlue);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(WHITE_PEN));
  // FillSkinFrame whitens the inside first.
  Canvas f(30, 20, kBlue);
  FillSkinFrame(f.dc, 30, 20, 1);
  EXPECT_EQ(f.at(5, 5), kWhite);
  EXPECT_EQ(f.at(10, 0), Grey(153));
}

TEST_F(WindowDrawing, SkinFrameCornersComeFromTheCornerBitmaps) {
  std::u16string path = std::u16string(u"" ORLEND_BINARY_DIR) + u"/bin/tovu.dll";
  HMODULE library = LoadLibraryW(path.c_str());
  ASSERT_NE(library, nullptr) << "the image library is built with the skin_library_device target";
  LoadSkinCorners(window_, library);
  struct Piece {
    int sx, sy, w, h, dx, dy;
  };
  const int W = 40, H = 30;
  const Piece pieces[] = {{0, 0, 7, 7, 0, 0}, {8, 0, 7, 6, W - 7, 0}, {16, 0, 6, 6, W - 6, H - 6}, {23, 0, 6, 6, 0, H - 6}};
  for (int variant : {0, 1, 5}) {
    HBITMAP source = LoadBitmapW(library, MAKEINTRESOURCEW(variant == 0 ? 610 : 620));
    ASSERT_NE(source, nullptr);
    const platform::Surface* s = platform::SurfaceOfBitmap(source);
    Canvas c(W, H, kBlue);
    DrawSkinFrame(c.dc, W, H, variant);
    for (const Piece& p : pieces)
      for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
          ASSERT_EQ(c.at(p.dx + x, p.dy + y), platform::ColorrefFromPixel(s->pixel(p.sx + x, p.sy + y)))
              << "variant " << variant << " piece at " << p.dx << "," << p.dy << " pixel " << x << "," << y;
    // Between the corners the bevel shows.
    EXPECT_EQ(c.at(W / 2, 0), Grey(153));
    DeleteObject(source);
  }
  // The two variants differ, so the right bitmap was used for each.
  Canvas a(W, H), b(W, H);
  DrawSkinFrame(a.dc, W, H, 0);
  DrawSkinFrame(b.dc, W, H, 1);
  bool differ = false;
  for (int y = 0; y < 7; ++y) differ = differ || a.Row(y) != b.Row(y) || a.at(3, y) != b.at(3, y);
  for (int x = 0; x < 7 && !differ; ++x)
    for (int y = 0; y < 7 && !differ; ++y) differ = a.at(x, y) != b.at(x, y);
  EXPECT_TRUE(differ);
  LoadSkinCorners(window_, nullptr);
  FreeLibrary(library);
}

// Counts the inked pixels by kind: grey (r = g = b) with its darkest value, and blue-ish.
struct Ink {
  int grey = 0, darkestGrey = 255, blue = 0;
};
Ink Inspect(const Canvas& c) {
  Ink ink;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      COLORREF p = c.at(x, y);
      if (p == kWhite) continue;
      int r = GetRValue(p), g = GetGValue(p), b = GetBValue(p);
      if (r == g && g == b) {
        ++ink.grey;
        ink.darkestGrey = std::min(ink.darkestGrey, r);
      } else if (b > r && b > g) {
        ++ink.blue;
      }
    }
  return ink;
}

TEST(DrawStyledText, ColoursByStyleAndEnabled) {
  Canvas enabled(200, 30), disabled(200, 30);
  DrawStyledText(enabled.dc, 0, 0, u"Search", 12, 3, 1);
  DrawStyledText(disabled.dc, 0, 0, u"Search", 12, 3, 0);
  Ink e = Inspect(enabled), d = Inspect(disabled);
  EXPECT_GT(e.blue, 20);
  EXPECT_EQ(d.blue, 0);
  EXPECT_GT(d.grey, 20);
  EXPECT_EQ(d.darkestGrey, 220);
  EXPECT_EQ(GetCurrentObject(enabled.dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  // Style 9 is light grey whatever enabled says.
  for (int on : {1, 0}) {
    Canvas c(200, 30);
    DrawStyledText(c.dc, 0, 0, u"Tasks", 11, 9, on);
    Ink i = Inspect(c);
    EXPECT_EQ(i.blue, 0);
    EXPECT_EQ(i.darkestGrey, 192);
  }
}

TEST(DrawStyledText, Style2HasAShadowOnlyWhenEnabled) {
  Canvas on(200, 30), off(200, 30), plain(200, 30);
  DrawStyledText(on.dc, 0, 0, u"Word", 13, 2, 1);
  DrawStyledText(off.dc, 0, 0, u"Word", 13, 2, 0);
  DrawStyledText(plain.dc, 0, 0, u"Word", 13, 4, 1);  // same face and weight, no shadow
  Ink i = Inspect(on);
  EXPECT_GT(i.blue, 20);
  EXPECT_LT(i.darkestGrey, 200);  // the 192 grey of the shadow, outside the caption
  EXPECT_GT(i.grey, 10);
  EXPECT_EQ(Inspect(off).darkestGrey, 220);
  EXPECT_EQ(Inspect(plain).grey, 0);
  // The shadow reaches 2 pixels further right and down than the caption.
  RECT a = on.InkBox(), b = plain.InkBox();
  EXPECT_EQ(a.right, b.right + 2);
  EXPECT_EQ(a.bottom, b.bottom + 2);
}

TEST(DrawStyledText, TheCaptionStartsTwoPixelsRightOfX) {
  Canvas c(200, 40);
  DrawStyledText(c.dc, 20, 10, u"l", 12, 1, 1);
  RECT ink = c.InkBox();
  EXPECT_GE(ink.left, 22);
  EXPECT_LE(ink.left, 24);
  EXPECT_GE(ink.top, 10);
}

class Dots : public ::testing::Test {
 protected:
  void SetUp() override {
    font_ = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, u"Arial");
    SelectObject(c_.dc, font_);
  }
  void TearDown() override {
    SelectObject(c_.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font_);
  }
  int Width(const std::u16string& s) {
    SIZE size;
    GetTextExtentPoint32W(c_.dc, s.c_str(), static_cast<int>(s.size()), &size);
    return size.cx;
  }
  std::u16string Fit(const std::u16string& s, int max, int* result) {
    std::u16string buffer = s;
    *result = FitTextWithDots(c_.dc, max, buffer.data());
    return std::u16string(buffer.c_str());
  }
  Canvas c_{10, 10};
  HFONT font_ = nullptr;
};

TEST_F(Dots, TextThatFitsOrIsShortStaysAsItIs) {
  int r;
  std::u16string text = u"definition of a word";
  EXPECT_EQ(Fit(text, Width(text), &r), text);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(Fit(u"China", 1, &r), u"China");  // 5 characters: never shortened
  EXPECT_EQ(r, 0);
}

TEST_F(Dots, KeepsAllButTwoOfTheCharactersThatFitWithTheDots) {
  std::u16string text = u"abcdefghijklmnopqrst";  // 20 characters
  int dots = Width(u"..");
  // The first 9 plus ".." fit, the first 10 plus ".." do not.
  int max = Width(text.substr(0, 9)) + dots;
  ASSERT_GT(Width(text.substr(0, 10)) + dots, max);
  int r;
  EXPECT_EQ(Fit(text, max, &r), u"abcdefgh..");
  EXPECT_EQ(r, 1);
}

TEST_F(Dots, EvenFiveCharactersTooWideLeavesThreeAndTheDots) {
  int r;
  EXPECT_EQ(Fit(u"abcdefghij", 3, &r), u"abc..");
  EXPECT_EQ(r, 1);
  // A character outside the basic plane is kept whole or dropped whole.
  std::u16string wide = u"abc\U00020000defghij";  // the pair is units 3 and 4
  EXPECT_EQ(Fit(wide, 3, &r), u"abc..");
  std::u16string later = u"ab\U00020000cdefghij";  // the pair is units 2 and 3
  EXPECT_EQ(Fit(later, 3, &r), u"ab..");
  // Too wide, but when every shorter start still fits with the dots the text stays whole.
  std::u16string six = u"abcdeW";
  int max = Width(u"abcde") + Width(u"..");
  ASSERT_GT(Width(six), max);
  EXPECT_EQ(Fit(six, max, &r), six);
  EXPECT_EQ(r, 0);
}

// The helpers together, compared with a reviewed picture.
TEST_F(WindowDrawing, HelpersTogetherMatchTheGolden) {
  std::u16string path = std::u16string(u"" ORLEND_BINARY_DIR) + u"/bin/tovu.dll";
  HMODULE library = LoadLibraryW(path.c_str());
  ASSERT_NE(library, nullptr);
  LoadSkinCorners(window_, library);
  Canvas c(120, 110);
  FillHatched(c.dc, 0, 0, 120, 110, 1);
  FillSkinFrame(c.dc, 70, 40, 0);
  FillHatched(c.dc, 4, 64, 50, 12, 0);
  DrawStyledText(c.dc, 2, 44, u"Search", 12, 2, 1);
  DrawStyledText(c.dc, 2, 62, u"Tasks", 11, 9, 1);
  DrawStyledText(c.dc, 2, 78, u"中国 Word", 13, 4, 0);
  DrawStyledText(c.dc, 2, 92, u"Verdana", 11, 0, 1);
  LoadSkinCorners(window_, nullptr);
  FreeLibrary(library);
  EXPECT_TRUE(test::MatchesGolden("drawing/helpers.png", c.surface()));
}

}  // namespace
