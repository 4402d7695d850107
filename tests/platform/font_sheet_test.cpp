// A sheet of every face and size the programs draw with, at 1x and enlarged 3x, for people
// to look at (build folder; docs/gdi-text-sheet.png when ORLEND_WRITE_DOCS=1). The test
// itself checks that every sample shows, inside its own line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gdi_test_util.h"

namespace {

struct Sample {
  const char16_t* face;
  int size;
  int weight;
  int quality;
  int charSet;
  const char16_t* text;
};

const char16_t kLatin[] = u"Search dictionary: zhong1 guo2 (n) China 0123";
const char16_t kMixed[] = u"中国 China 汉语 學習 Pronun: han4 yu3";

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> s = {
      {u"Arial", 9, 400, 4, 0, u"Using Simplified database  No database loaded"},
      {u"Arial", 10, 400, 4, 0, u"Build: 1.2.679"},
      {u"Arial", 11, 400, 4, 0, u"Type search string in the text box and then press"},
      {u"Arial", 11, 700, 4, 0, u"definition text in the result list (bold)"},
      {u"Arial", 12, 400, 4, 0, kLatin},
      {u"Arial", 12, 700, 4, 0, u"zhong1 guo2  Pronun: (bold)"},
      {u"Arial", 15, 700, 4, 0, u"Steps 1 to 4:"},
      {u"Arial", 15, 700, 0, 128, u"history entry (default quality)"},
      {u"Tahoma", 11, 400, 0, 0, u"(No search results)  label"},
      {u"Tahoma", 11, 700, 4, 0, u"The Chinese GB font (MS Song) required"},
      {u"Tahoma", 12, 700, 4, 0, u"Search  OK  Yes  No  Close"},
      {u"Tahoma", 13, 700, 0, 0, u"Word Definition (frame title)"},
      {u"Verdana", 12, 400, 4, 0, u"Verdana caption style 0"},
      {u"Verdana", 12, 700, 4, 0, u"Verdana bold style 10"},
      {u"Times New Roman", 12, 400, 4, 0, u"Times New Roman style 1"},
      {u"Times New Roman", 12, 700, 4, 0, u"Times New Roman bold style 11"},
      {u"", 12, 400, 4, 0, u"Default face, styles 5 to 8"},
      {u"MS Song", 12, 700, 4, 134, kMixed},
      {u"MS Song", 16, 700, 4, 134, u"中华人民共和国 你好 search"},
      {u"MS Song", 25, 700, 4, 134, u"中国 汉字 词典"},
      {u"MingLiU", 11, 700, 4, 136, u"中國 漢語 學習 list"},
      {u"MingLiu", 16, 700, 4, 136, u"中華人民共和國 你好"},
      {u"MingLiU", 25, 700, 4, 136, u"中國 漢字 詞典"},
  };
  return s;
}

HFONT MakeFont(const Sample& s, bool underline = false) {
  LOGFONTW lf{};
  lf.lfHeight = -s.size;
  lf.lfWeight = s.weight;
  lf.lfQuality = static_cast<BYTE>(s.quality);
  lf.lfCharSet = static_cast<BYTE>(s.charSet);
  lf.lfUnderline = underline;
  for (int i = 0; s.face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = s.face[i];
  return CreateFontIndirectW(&lf);
}

std::u16string Label(const Sample& s) {
  std::u16string l = s.face[0] ? s.face : u"(default)";
  std::string n = std::to_string(s.size);
  l += u' ';
  l.append(n.begin(), n.end());
  if (s.weight >= 700) l += u" bold";
  if (s.quality != 4) l += u" aliased";
  return l;
}

TEST(FontSheet, EverySampleShowsWithinItsLine) {
  const int width = 620;
  int height = 6;
  for (const Sample& s : Samples()) height += s.size + s.size / 2 + 4;
  gdi_test::Canvas sheet(width, height);
  SetBkMode(sheet.dc, TRANSPARENT);
  LOGFONTW labelFont{};
  labelFont.lfHeight = -10;
  labelFont.lfQuality = ANTIALIASED_QUALITY;
  HFONT label = CreateFontIndirectW(&labelFont);
  int y = 4;
  for (const Sample& s : Samples()) {
    int line = s.size + s.size / 2 + 4;
    HGDIOBJ old = SelectObject(sheet.dc, label);
    SetTextColor(sheet.dc, RGB(128, 128, 128));
    std::u16string l = Label(s);
    TextOutW(sheet.dc, 4, y + 2, l.c_str(), static_cast<int>(l.size()));
    HFONT f = MakeFont(s);
    SelectObject(sheet.dc, f);
    SetTextColor(sheet.dc, RGB(0, 0, 128));
    int n = static_cast<int>(std::char_traits<char16_t>::length(s.text));
    TextOutW(sheet.dc, 150, y, s.text, n);

    // The sample's ink stays in its own band and starts near the pen position.
    gdi_test::Canvas one(width, line + s.size);
    SelectObject(one.dc, f);
    TextOutW(one.dc, 150, 0, s.text, n);
    RECT ink = one.InkBox();
    SIZE extent;
    GetTextExtentPoint32W(one.dc, s.text, n, &extent);
    TEXTMETRICW tm;
    GetTextMetricsW(one.dc, &tm);
    EXPECT_GT(one.Inked(), 10 * n / 2) << gdi_test::OutputPath("") << " sample " << std::string(l.begin(), l.end());
    EXPECT_GE(ink.left, 148);
    EXPECT_LE(ink.right, 150 + extent.cx + 2);
    EXPECT_GE(ink.top, 0);
    // A Chinese face keeps its own cell; the Latin face that draws its letters may reach a
    // row further down with a descender (y, g).
    bool latinBorrowed = s.charSet == 134 || s.charSet == 136;
    EXPECT_LE(ink.bottom, tm.tmHeight + (latinBorrowed ? 2 : 1));
    SelectObject(one.dc, GetStockObject(SYSTEM_FONT));

    SelectObject(sheet.dc, old);
    DeleteObject(f);
    y += line;
  }
  DeleteObject(label);

  // The sheet, then its left part enlarged three times.
  const int crop = width / 3;
  platform::Surface out(width, height + height * 3, 0xFFFFFF);
  const platform::Surface& in = sheet.surface();
  for (int yy = 0; yy < height; ++yy)
    for (int xx = 0; xx < width; ++xx) {
      out.row(yy)[xx] = in.row(yy)[xx];
      if (xx < crop + 150 && xx >= 150)
        for (int k = 0; k < 9; ++k) out.row(height + yy * 3 + k / 3)[(xx - 150) * 3 + k % 3] = in.row(yy)[xx];
    }
  EXPECT_TRUE(gdi_test::WritePng(out, gdi_test::OutputPath("gdi-text-sheet.png")));
  const char* docs = std::getenv("ORLEND_WRITE_DOCS");
  if (docs && std::string(docs) == "1") {
    EXPECT_TRUE(gdi_test::WritePng(out, std::string(ORLEND_SOURCE_DIR) + "/docs/gdi-text-sheet.png"));
  }
}

}  // namespace
