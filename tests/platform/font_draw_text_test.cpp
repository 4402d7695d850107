// DrawTextW: line breaks, word wrapping, measuring with DT_CALCRECT, placement and clipping.
#include <gtest/gtest.h>

#include <string>

#include "gdi_test_util.h"

using gdi_test::Canvas;

namespace {

struct Fixture : ::testing::Test {
  Canvas c{300, 200};
  HFONT font = nullptr;
  HGDIOBJ old = nullptr;
  TEXTMETRICW tm{};
  int line = 0;

  void SetUp() override {
    font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, ANTIALIASED_QUALITY, 0, u"Arial");
    old = SelectObject(c.dc, font);
    GetTextMetricsW(c.dc, &tm);
    line = tm.tmHeight;
    SetBkMode(c.dc, TRANSPARENT);
  }
  void TearDown() override {
    SelectObject(c.dc, old);
    DeleteObject(font);
  }
  int Width(const std::u16string& s) {
    SIZE size;
    GetTextExtentPoint32W(c.dc, s.c_str(), static_cast<int>(s.size()), &size);
    return size.cx;
  }
  // Measures like the programs do: DT_CALCRECT on a rectangle of the given width.
  RECT Measure(const std::u16string& s, int width, UINT flags = DT_WORDBREAK) {
    RECT r{10, 20, 10 + width, 20};
    DrawTextW(c.dc, s.c_str(), static_cast<int>(s.size()), &r, flags | DT_CALCRECT);
    return r;
  }
  int Lines(const std::u16string& s, int width) {
    RECT r = Measure(s, width);
    return (r.bottom - r.top) / line;
  }
};

using DrawText = Fixture;

TEST_F(DrawText, LineFeedsAndCarriageReturnsBreakLines) {
  EXPECT_EQ(Lines(u"one", 200), 1);
  EXPECT_EQ(Lines(u"one\ntwo", 200), 2);
  EXPECT_EQ(Lines(u"one\r\ntwo", 200), 2);  // CR LF is one break
  EXPECT_EQ(Lines(u"one\rtwo\n\nfour", 200), 4);
  EXPECT_EQ(Lines(u"one\n", 200), 1);  // a final break adds no line
  // Without word breaking, LF still breaks; DT_SINGLELINE keeps one line.
  RECT r = Measure(u"one\ntwo", 200, 0);
  EXPECT_EQ(r.bottom - r.top, 2 * line);
  r = Measure(u"one\ntwo", 200, DT_SINGLELINE);
  EXPECT_EQ(r.bottom - r.top, line);
  EXPECT_EQ(r.right - r.left, Width(u"onetwo"));
}

TEST_F(DrawText, WordsWrapAtSpacesAndTheRectangleShrinksToTheWidestLine) {
  std::u16string text = u"alpha beta gamma delta";
  int w = std::max(Width(u"alpha beta"), Width(u"gamma delta"));
  RECT r = Measure(text, w);
  EXPECT_EQ(r.bottom - r.top, 2 * line);
  EXPECT_EQ(r.right - r.left, std::max(Width(u"alpha beta"), Width(u"gamma delta")));
  // One pixel less and the wider pair no longer fits on one line.
  EXPECT_EQ(Lines(text, w - 1), 3);
  // Trailing spaces never force a break.
  EXPECT_EQ(Lines(u"alpha beta      ", w), 1);
  // The returned height is the measured one, with and without DT_CALCRECT.
  RECT draw{0, 0, w, 200};
  EXPECT_EQ(DrawTextW(c.dc, text.c_str(), -1, &draw, DT_WORDBREAK), 2 * line);
  EXPECT_EQ(DrawTextW(c.dc, text.c_str(), -1, &draw, DT_WORDBREAK | DT_CALCRECT), 2 * line);
}

TEST_F(DrawText, AWordLongerThanTheLineIsBrokenBetweenCharacters) {
  std::u16string word = u"internationalisation";
  int w = Width(u"internat");
  RECT r = Measure(word, w);
  EXPECT_EQ(r.bottom - r.top, 3 * line);  // "internat", "ionalisa", "tion"
  EXPECT_LE(r.right - r.left, w);
  // Even a line too narrow for one character takes one, so the text ends.
  EXPECT_EQ(Lines(u"abc", 1), 3);
  EXPECT_EQ(Lines(u"a b c", 0), 3);
}

TEST_F(DrawText, ChineseWrapsBetweenCharacters) {
  std::u16string text = u"中华人民共和国";
  int w = Width(u"中华人");
  EXPECT_EQ(Lines(text, w), 3);
  // A Chinese word after English moves to the next line only as far as needed.
  std::u16string mixed = u"China 中华人民";
  EXPECT_EQ(Lines(mixed, Width(u"China 中华")), 2);
}

TEST_F(DrawText, DrawnLinesMatchTheMeasure) {
  std::u16string text = u"Select a word to see its definition displayed in the window.";
  RECT measured = Measure(text, 120);
  RECT r{10, 20, 130, 200};
  int h = DrawTextW(c.dc, text.c_str(), -1, &r, DT_WORDBREAK);
  EXPECT_EQ(h, measured.bottom - measured.top);
  RECT ink = c.InkBox();
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 10 + measured.right - measured.left + 1);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.bottom, 20 + h + 1);
  EXPECT_GT(ink.bottom, 20 + h - line);  // the last line is drawn
}

TEST_F(DrawText, TextIsClippedToTheRectangleUnlessNoClip) {
  RECT r{0, 0, 20, 10};
  DrawTextW(c.dc, u"WWWWWWWW", -1, &r, 0);
  RECT ink = c.InkBox();
  EXPECT_LE(ink.right, 20);
  EXPECT_LE(ink.bottom, 10);
  Canvas d(300, 40);
  SelectObject(d.dc, font);
  DrawTextW(d.dc, u"WWWWWWWW", -1, &r, DT_NOCLIP);
  EXPECT_GT(d.InkBox().right, 20);
  SelectObject(d.dc, GetStockObject(SYSTEM_FONT));
}

TEST_F(DrawText, CentredAndVerticallyCentredPlacement) {
  int w = Width(u"HH");
  RECT r{0, 0, 100, 50};
  int h = DrawTextW(c.dc, u"HH", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  int top = (50 - line) / 2;
  EXPECT_EQ(h, top + line);
  RECT ink = c.InkBox();
  EXPECT_NEAR(ink.left, (100 - w) / 2, 2);
  EXPECT_NEAR((ink.top + ink.bottom) / 2, top + tm.tmAscent / 2 + 1, 3);
  Canvas d(300, 60);
  SelectObject(d.dc, font);
  RECT right{0, 0, 100, 50};
  DrawTextW(d.dc, u"HH", -1, &right, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  ink = d.InkBox();
  EXPECT_LE(ink.right, 100);
  EXPECT_GE(ink.right, 100 - 2);
  EXPECT_LE(ink.bottom, 50);
  SelectObject(d.dc, GetStockObject(SYSTEM_FONT));
}

TEST_F(DrawText, PrefixesUnlessDtNoPrefix) {
  EXPECT_EQ(Measure(u"&Save", 200, DT_SINGLELINE).right - 10, Width(u"Save"));
  EXPECT_EQ(Measure(u"&Save", 200, DT_SINGLELINE | DT_NOPREFIX).right - 10, Width(u"&Save"));
  EXPECT_EQ(Measure(u"A && B", 200, DT_SINGLELINE).right - 10, Width(u"A & B"));
  // The prefixed character is underlined: one more row of ink under it.
  Canvas a(100, 30), b(100, 30);
  SelectObject(a.dc, font);
  SelectObject(b.dc, font);
  RECT r{0, 0, 100, 30};
  DrawTextW(a.dc, u"&Save", -1, &r, 0);
  DrawTextW(b.dc, u"Save", -1, &r, 0);
  EXPECT_GT(a.Inked(), b.Inked());
  EXPECT_EQ(a.InkBox().left, b.InkBox().left);
  SelectObject(a.dc, GetStockObject(SYSTEM_FONT));
  SelectObject(b.dc, GetStockObject(SYSTEM_FONT));
}

TEST_F(DrawText, EmptyTextAndBadArguments) {
  RECT r = Measure(u"", 100);
  EXPECT_EQ(r.bottom - r.top, line);
  EXPECT_EQ(r.right, r.left);
  RECT any{0, 0, 10, 10};
  EXPECT_EQ(DrawTextW(c.dc, nullptr, 3, &any, 0), 0);
  EXPECT_EQ(DrawTextW(c.dc, u"x", 1, nullptr, 0), 0);
  EXPECT_EQ(DrawTextW(nullptr, u"x", 1, &any, 0), 0);
  // The count limits the text.
  EXPECT_EQ(Measure(u"abcdef", 200, DT_SINGLELINE).right - 10, Width(u"abcdef"));
  RECT part{0, 0, 200, 0};
  DrawTextW(c.dc, u"abcdef", 3, &part, DT_CALCRECT);
  EXPECT_EQ(part.right, Width(u"abc"));
}

}  // namespace
