// Fonts and single runs of text: the font map, metrics, extents against drawn pixels,
// bold, underline, background modes, alignment and the font enumeration.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "gdi_test_util.h"

using gdi_test::Canvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

HFONT Font(const char16_t* face, int height, int weight = FW_NORMAL, int quality = ANTIALIASED_QUALITY,
           bool underline = false, int charSet = DEFAULT_CHARSET) {
  return CreateFontW(height, 0, 0, 0, weight, 0, underline, 0, charSet, 0, 0, quality, 0, face);
}

struct Selected {
  HDC dc;
  HFONT font;
  HGDIOBJ old;
  Selected(HDC d, HFONT f) : dc(d), font(f), old(SelectObject(d, f)) {}
  ~Selected() {
    SelectObject(dc, old);
    DeleteObject(font);
  }
};

int Length(const char16_t* s) { return static_cast<int>(std::char_traits<char16_t>::length(s)); }

SIZE Extent(HDC dc, const char16_t* s) {
  SIZE size{};
  GetTextExtentPoint32W(dc, s, Length(s), &size);
  return size;
}

std::u16string FaceOf(HDC dc) {
  WCHAR name[LF_FACESIZE];
  GetTextFaceW(dc, LF_FACESIZE, name);
  return name;
}

TEST(FontText, NegativeHeightIsTheCharacterHeightPositiveTheCell) {
  Canvas c(10, 10);
  TEXTMETRICW byChar, byCell;
  {
    Selected s(c.dc, Font(u"Arial", -12));
    GetTextMetricsW(c.dc, &byChar);
  }
  EXPECT_EQ(byChar.tmHeight - byChar.tmInternalLeading, 12);
  EXPECT_EQ(byChar.tmAscent + byChar.tmDescent, byChar.tmHeight);
  {
    Selected s(c.dc, Font(u"Arial", byChar.tmHeight));
    GetTextMetricsW(c.dc, &byCell);
  }
  EXPECT_EQ(byCell.tmHeight, byChar.tmHeight);
  // The Chinese faces' cell is their character height.
  Selected s(c.dc, Font(u"MS Song", -25, FW_BOLD));
  TEXTMETRICW song;
  GetTextMetricsW(c.dc, &song);
  EXPECT_EQ(song.tmHeight, 25);
  EXPECT_EQ(song.tmWeight, FW_BOLD);
}

TEST(FontText, FaceNamesGoThroughTheMapWithoutRegardToCase) {
  Canvas c(10, 10);
  struct Case {
    const char16_t* asked;
    const char16_t* realised;
  };
  for (Case k : {Case{u"MS Song", u"MS Song"}, Case{u"ms song", u"MS Song"}, Case{u"MingLiu", u"MingLiU"},
                 Case{u"ARIAL", u"Arial"}, Case{u"Times New Roman", u"Times New Roman"},
                 Case{u"Verdana", u"Verdana"}, Case{u"", u"Tahoma"}, Case{u"No Such Face", u"Tahoma"}}) {
    Selected s(c.dc, Font(k.asked, -12));
    EXPECT_EQ(FaceOf(c.dc), std::u16string(k.realised)) << std::string(k.asked, k.asked + Length(k.asked));
  }
  // Same face whatever the spelling: the same pixels.
  Canvas a(60, 20), b(60, 20);
  {
    Selected s(a.dc, Font(u"MingLiU", -16, FW_BOLD));
    TextOutW(a.dc, 0, 0, u"中國", 2);
  }
  {
    Selected s(b.dc, Font(u"mingliu", -16, FW_BOLD));
    TextOutW(b.dc, 0, 0, u"中國", 2);
  }
  EXPECT_GT(a.Inked(), 40);
  for (int y = 0; y < 20; ++y) ASSERT_EQ(a.Row(y), b.Row(y)) << y;
}

TEST(FontText, ExtentsMatchWhatIsDrawn) {
  for (const char16_t* face : {u"Arial", u"Tahoma", u"MS Song", u"MingLiU", u"Times New Roman"}) {
    for (int weight : {FW_NORMAL, FW_BOLD}) {
      Canvas c(300, 40);
      Selected s(c.dc, Font(face, -12, weight));
      const char16_t* text = u"Word 中国 definition";
      SIZE size = Extent(c.dc, text);
      TEXTMETRICW tm;
      GetTextMetricsW(c.dc, &tm);
      EXPECT_EQ(size.cy, tm.tmHeight);
      TextOutW(c.dc, 10, 5, text, Length(text));
      RECT ink = c.InkBox();
      std::string name(face, face + Length(face));
      EXPECT_GE(ink.left, 10) << name;
      EXPECT_LE(ink.right, 10 + size.cx + 1) << name;  // the last glyph may overhang by a pixel
      EXPECT_GT(ink.right, 10 + size.cx - 6) << name;
      // Glyphs may reach a pixel beyond the cell, as they do on the platform.
      EXPECT_GE(ink.top, 5 - 1) << name;
      EXPECT_LE(ink.bottom, 5 + tm.tmHeight + 1) << name;
      // Extents add up: the sum of the parts is the whole.
      EXPECT_EQ(Extent(c.dc, u"Word ").cx + Extent(c.dc, u"中国 definition").cx, size.cx) << name;
    }
  }
}

TEST(FontText, ChineseShowsEvenWhereTheFaceLacksIt) {
  // The GB face has no traditional forms; they come from the fallback face.
  Canvas c(40, 30);
  Selected s(c.dc, Font(u"MS Song", -16, FW_BOLD, ANTIALIASED_QUALITY, false, GB2312_CHARSET));
  TextOutW(c.dc, 0, 0, u"國", 1);
  EXPECT_GT(c.Inked(), 30);
  EXPECT_GE(Extent(c.dc, u"國").cx, 14);
  // In an English face too.
  Canvas d(40, 30);
  Selected t(d.dc, Font(u"Arial", -16));
  TextOutW(d.dc, 0, 0, u"国", 1);
  EXPECT_GT(d.Inked(), 30);
}

TEST(FontText, BoldIsWiderAndDarker) {
  for (const char16_t* face : {u"MS Song", u"MingLiU", u"Arial", u"Tahoma"}) {
    Canvas normal(200, 30), bold(200, 30);
    const char16_t* text = u"中文 bold text";
    SIZE n, b;
    {
      Selected s(normal.dc, Font(face, -16, FW_NORMAL));
      n = Extent(normal.dc, text);
      TextOutW(normal.dc, 0, 0, text, Length(text));
    }
    {
      Selected s(bold.dc, Font(face, -16, FW_BOLD));
      b = Extent(bold.dc, text);
      TextOutW(bold.dc, 0, 0, text, Length(text));
    }
    std::string name(face, face + Length(face));
    EXPECT_GT(b.cx, n.cx) << name;
    EXPECT_GT(bold.Inked(), normal.Inked() * 11 / 10) << name;
  }
}

TEST(FontText, UnderlineRunsUnderTheWholeText) {
  Canvas c(100, 20);
  Selected s(c.dc, Font(u"Arial", -9, FW_NORMAL, ANTIALIASED_QUALITY, true));
  TEXTMETRICW tm;
  GetTextMetricsW(c.dc, &tm);
  EXPECT_TRUE(tm.tmUnderlined);
  SIZE size = Extent(c.dc, u"loaded");
  TextOutW(c.dc, 5, 2, u"loaded", 6);
  // Some row below the baseline is solid across the text's width, and only there.
  int solid = -1;
  for (int y = 2 + tm.tmAscent; y < 2 + tm.tmHeight; ++y) {
    bool full = true;
    for (int x = 5; x < 5 + size.cx; ++x) full = full && c.at(x, y) != kWhite;
    if (full) solid = y;
  }
  ASSERT_GE(solid, 2 + tm.tmAscent);
  EXPECT_EQ(c.at(4, solid), kWhite);
  EXPECT_EQ(c.at(5 + size.cx, solid), kWhite);
  // The same text without underline has no such row.
  Canvas p(100, 20);
  Selected t(p.dc, Font(u"Arial", -9));
  TextOutW(p.dc, 5, 2, u"loaded", 6);
  EXPECT_NE(p.Row(solid).substr(5, size.cx), std::string(size.cx, '#'));
}

TEST(FontText, BackgroundModeAndColours) {
  Canvas c(100, 40, RGB(0, 255, 0));
  Selected s(c.dc, Font(u"Arial", -12));
  SetTextColor(c.dc, RGB(0, 0, 128));
  SetBkColor(c.dc, RGB(255, 255, 0));
  SIZE size = Extent(c.dc, u"ab");
  TextOutW(c.dc, 0, 0, u"ab", 2);  // opaque by default: the whole cell is painted
  EXPECT_EQ(c.at(0, 0), RGB(255, 255, 0));
  EXPECT_EQ(c.at(size.cx - 1, size.cy - 1), RGB(255, 255, 0));
  EXPECT_EQ(c.at(size.cx, 0), RGB(0, 255, 0));
  SetBkMode(c.dc, TRANSPARENT);
  TextOutW(c.dc, 0, 20, u"ab", 2);
  EXPECT_EQ(c.at(0, 20), RGB(0, 255, 0));
  std::set<COLORREF> colours;
  for (int y = 20; y < 20 + size.cy; ++y)
    for (int x = 0; x < size.cx; ++x) colours.insert(c.at(x, y));
  // Antialiased text blends from the text colour into the background.
  EXPECT_TRUE(colours.count(RGB(0, 0, 128)));
  EXPECT_GT(colours.size(), 3u);
}

TEST(FontText, DefaultQualityDrawsOnlyTheTextColour) {
  Canvas c(100, 20);
  Selected s(c.dc, Font(u"Tahoma", -13, FW_BOLD, DEFAULT_QUALITY));
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(0, 0, 128));
  TextOutW(c.dc, 0, 0, u"Title", 5);
  std::set<COLORREF> colours;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 100; ++x) colours.insert(c.at(x, y));
  EXPECT_EQ(colours, (std::set<COLORREF>{kWhite, RGB(0, 0, 128)}));
}

TEST(FontText, AlignmentPlacesTheRunAroundThePoint) {
  Canvas c(200, 60);
  Selected s(c.dc, Font(u"Arial", -12, FW_NORMAL, DEFAULT_QUALITY));
  SetBkMode(c.dc, TRANSPARENT);
  TEXTMETRICW tm;
  GetTextMetricsW(c.dc, &tm);
  SIZE size = Extent(c.dc, u"HHH");
  SetTextAlign(c.dc, TA_RIGHT | TA_BASELINE);
  TextOutW(c.dc, 100, 30, u"HHH", 3);
  RECT ink = c.InkBox();
  EXPECT_LE(ink.right, 100);
  EXPECT_GE(ink.left, 100 - size.cx);
  EXPECT_EQ(ink.bottom, 30);  // capitals stand on the baseline
  Canvas d(200, 60);
  Selected t(d.dc, Font(u"Arial", -12, FW_NORMAL, DEFAULT_QUALITY));
  SetTextAlign(d.dc, TA_CENTER | TA_TOP | TA_UPDATECP);
  SetBkMode(d.dc, TRANSPARENT);
  MoveToEx(d.dc, 100, 10, nullptr);
  TextOutW(d.dc, 0, 0, u"HHH", 3);  // the current position is used instead of (0, 0)
  ink = d.InkBox();
  EXPECT_NEAR((ink.left + ink.right) / 2, 100, 2);
  EXPECT_GE(ink.top, 10);
}

TEST(FontText, ExtTextOutFillsAndClipsToItsRectangle) {
  Canvas c(100, 30);
  Selected s(c.dc, Font(u"Arial", -20));
  SetBkMode(c.dc, TRANSPARENT);
  SetBkColor(c.dc, RGB(200, 200, 200));
  RECT r{10, 5, 30, 25};
  ExtTextOutW(c.dc, 10, 5, ETO_OPAQUE | ETO_CLIPPED, &r, u"WWWWW", 5, nullptr);
  RECT ink = c.InkBox();
  EXPECT_EQ(ink.left, 10);
  EXPECT_EQ(ink.top, 5);
  EXPECT_EQ(ink.right, 30);
  EXPECT_EQ(ink.bottom, 25);
  EXPECT_EQ(c.at(29, 24), RGB(200, 200, 200));
  // Explicit spacing puts each character where it is told.
  Canvas d(100, 30);
  Selected t(d.dc, Font(u"Arial", -12, FW_NORMAL, DEFAULT_QUALITY));
  const INT dx[] = {40, 40};
  ExtTextOutW(d.dc, 0, 0, 0, nullptr, u"ll", 2, dx);
  EXPECT_NE(d.Column(1), d.Column(99));
  int columns = 0;
  for (int x = 0; x < 100; ++x) columns += d.Column(x).find('#') != std::string::npos;
  EXPECT_LE(columns, 8);  // two thin letters, 40 pixels apart
}

TEST(FontText, ExtentExReportsFitAndPartialExtents) {
  Canvas c(10, 10);
  Selected s(c.dc, Font(u"Arial", -12));
  const char16_t* text = u"abcdef";
  INT dx[6];
  INT fit = -1;
  SIZE size;
  int maxExtent = Extent(c.dc, u"abc").cx;
  ASSERT_TRUE(GetTextExtentExPointW(c.dc, text, 6, maxExtent, &fit, dx, &size));
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(dx[2], maxExtent);
  EXPECT_EQ(dx[5], size.cx);
  EXPECT_EQ(size.cx, Extent(c.dc, text).cx);
  // Nothing to measure, and bad input.
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"", 0, &size));
  EXPECT_EQ(size.cx, 0);
  EXPECT_FALSE(GetTextExtentPoint32W(c.dc, nullptr, 3, &size));
  EXPECT_FALSE(GetTextExtentPoint32W(c.dc, text, -1, &size));
  EXPECT_FALSE(TextOutW(c.dc, 0, 0, nullptr, 2));
  // An unpaired surrogate is measured and drawn as one character, not read past.
  const char16_t broken[] = {u'a', 0xD800};
  EXPECT_TRUE(GetTextExtentPoint32W(c.dc, broken, 2, &size));
  EXPECT_GT(size.cx, Extent(c.dc, u"a").cx);
}

struct Enumerated {
  std::vector<std::u16string> names;
  int stopAfter = 1000;
};

int CALLBACK Collect(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM param) {
  auto* e = reinterpret_cast<Enumerated*>(param);
  e->names.push_back(lf->lfFaceName);
  EXPECT_GT(tm->tmHeight, 0);
  EXPECT_EQ(type, static_cast<DWORD>(TRUETYPE_FONTTYPE));
  return static_cast<int>(e->names.size()) < e->stopAfter;
}

TEST(FontEnumeration, ReportsTheMappedNamesAndHonoursHiddenFaces) {
  Canvas c(1, 1);
  Enumerated all;
  EnumFontFamiliesW(c.dc, nullptr, Collect, reinterpret_cast<LPARAM>(&all));
  std::set<std::u16string> names(all.names.begin(), all.names.end());
  // The packages these need are part of the setup; each name is its exact spelling.
  for (const char16_t* n : {u"MS Song", u"MingLiU", u"Arial", u"Times New Roman", u"Tahoma", u"Verdana"})
    EXPECT_TRUE(names.count(n)) << std::string(n, n + Length(n));
  EXPECT_FALSE(names.count(u"MingLiu"));

  platform::SetFontFaceHidden(u"MS Song", true);
  Enumerated hidden;
  EnumFontFamiliesW(c.dc, nullptr, Collect, reinterpret_cast<LPARAM>(&hidden));
  EXPECT_EQ(hidden.names.size(), all.names.size() - 1);
  EXPECT_EQ(std::count(hidden.names.begin(), hidden.names.end(), u"MS Song"), 0);
  {
    // A hidden face is not there for drawing either: the default face stands in.
    Selected s(c.dc, Font(u"MS Song", -12));
    EXPECT_EQ(FaceOf(c.dc), u"Tahoma");
  }
  platform::SetFontFaceHidden(u"ms song", false);
  Enumerated back;
  EnumFontFamiliesW(c.dc, u"ms SONG", Collect, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(back.names, std::vector<std::u16string>{u"MS Song"});

  // The callback's 0 ends the enumeration, and is the result.
  Enumerated first;
  first.stopAfter = 1;
  EXPECT_EQ(EnumFontFamiliesW(c.dc, nullptr, Collect, reinterpret_cast<LPARAM>(&first)), 0);
  EXPECT_EQ(first.names.size(), 1u);
  EXPECT_EQ(EnumFontFamiliesW(nullptr, nullptr, Collect, 0), 0);
}

}  // namespace

namespace {

// The pixels of `text` drawn black on white in a font, row by row, cut to their ink (so
// faces of other ascents compare).
std::vector<std::string> Drawn(HFONT font, const char16_t* text, int width = 120, int height = 40) {
  Canvas c(width, height);
  Selected s(c.dc, font);
  SetBkMode(c.dc, TRANSPARENT);
  TextOutW(c.dc, 2, 2, text, Length(text));
  RECT box = c.InkBox();
  std::vector<std::string> rows;
  for (int y = box.top; y < box.bottom; ++y) {
    std::string row;
    for (int x = box.left; x < box.right; ++x) row += GetGValue(c.at(x, y)) < 128 ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

TEST(FontText, LatinLettersInAChineseFaceComeFromItsLatinFace) {
  // The Chinese faces' own l reads as 1; their Latin text is drawn as the Latin face draws it,
  // u with diaeresis included (no glyph of a third face among them).
  for (const char16_t* chinese : {u"MS Song", u"MingLiU"}) {
    SCOPED_TRACE(std::u16string(chinese).size());
    EXPECT_EQ(Drawn(Font(chinese, -16, FW_BOLD), u"love li4 l\u00FC4"),
              Drawn(Font(u"Verdana", -16, FW_BOLD), u"love li4 l\u00FC4"));
    // Chinese still comes from the Chinese face, not from the Latin face's fallback.
    EXPECT_NE(Drawn(Font(chinese, -16, FW_BOLD), u"\u4E2D"), Drawn(Font(u"Verdana", -16, FW_BOLD), u"\u4E2D"));
  }
}

TEST(FontText, ChineseInsideLatinTextTakesTheFaceOfItsCharacterSet) {
  // Arial with the GB character set draws Chinese as MS Song does (a measure word inside a
  // definition looks like the headword above it).
  EXPECT_EQ(Drawn(Font(u"Arial", -16, FW_NORMAL, ANTIALIASED_QUALITY, false, GB2312_CHARSET), u"\u53F0"),
            Drawn(Font(u"MS Song", -16, FW_NORMAL, ANTIALIASED_QUALITY, false, GB2312_CHARSET), u"\u53F0"));
  EXPECT_EQ(Drawn(Font(u"Arial", -16, FW_NORMAL, ANTIALIASED_QUALITY, false, CHINESEBIG5_CHARSET), u"\u81FA"),
            Drawn(Font(u"MingLiU", -16, FW_NORMAL, ANTIALIASED_QUALITY, false, CHINESEBIG5_CHARSET), u"\u81FA"));
}

TEST(FontText, SmallChineseComesFromBitmapsDrawnForTheSize) {
  // At 11 and 12 pixels outlines, emboldened and smoothed, fill 國 and 龍 into blobs; the
  // characters come from bitmaps drawn for the size instead: one colour, no grey.
  for (int size : {11, 12}) {
    for (const char16_t* text : {u"\u570B", u"\u9F8D", u"\u5B78"}) {
      Canvas c(20, 20);
      Selected s(c.dc, Font(u"MingLiU", -size, FW_BOLD, ANTIALIASED_QUALITY, false, CHINESEBIG5_CHARSET));
      SetBkMode(c.dc, TRANSPARENT);
      TextOutW(c.dc, 2, 2, text, 1);
      std::set<COLORREF> colours;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) colours.insert(c.at(x, y));
      EXPECT_EQ(colours.size(), 2u) << "size " << size;
    }
  }
}

TEST(FontText, SmallDefaultQualityTextKeepsTheDotOfAnI) {
  // One-bit glyphs hinted at 12 pixels join the i's dot to its stem ("Searchlng"): an empty
  // row must part them.
  Canvas c(20, 24);
  Selected s(c.dc, Font(u"Tahoma", -12, FW_BOLD, DEFAULT_QUALITY));
  SetBkMode(c.dc, TRANSPARENT);
  TextOutW(c.dc, 2, 2, u"i", 1);
  RECT box = c.InkBox();
  bool parted = false;
  for (int y = box.top + 1; y < box.bottom - 1; ++y) {
    bool empty = true;
    for (int x = box.left; x < box.right; ++x)
      if (GetGValue(c.at(x, y)) < 160) empty = false;
    parted = parted || empty;
  }
  EXPECT_TRUE(parted);
}

}  // namespace
