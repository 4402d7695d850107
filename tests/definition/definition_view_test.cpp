#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/definition/definition_view.h"
#include "device/dictionary/database.h"
#include "device/shell/screen_state.h"
#include "platform/gdi_bridge.h"
#include "tests/support/headless_screen.h"
#include "tests/support/pixels.h"

namespace {

// A database image made of these lines (the first is the header).
std::vector<BYTE> Database(const std::vector<std::u16string>& lines) {
  std::vector<BYTE> image(4);
  int32_t count = static_cast<int32_t>(lines.size());
  std::memcpy(image.data(), &count, 4);
  for (const std::u16string& line : lines) {
    for (char16_t c : line + u"\r\n") {
      image.push_back(static_cast<BYTE>(c & 0xFF));
      image.push_back(static_cast<BYTE>(c >> 8));
    }
  }
  return image;
}

enum Entry { kChina, kLongHeadword, kSurname, kShortNote, kTwelve, kChineseInside, kNoDefinitions, kNoPronunciation };

class DefinitionView : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    std::vector<BYTE> image = Database({
        u"# test list",
        u"中国 [zhong1 guo2] /China/",
        u"中华人民共和国中央人民政府国务院 [Zhong1 hua2] /a very long headword/",
        u"王 [Wang2] /(surname) Wang/king/",
        u"是 [shi4] /(n) yes/to be/",
        u"多 [duo1] /one/two/three/four/five/six/seven/eight/nine/ten/eleven/twelve/",
        u"汉字 [han4 zi4] /Chinese character 汉字 as written/script/",
        u"奇怪 [qi2 guai4]",
        u"ABC /alphabet/",
    });
    ASSERT_EQ(LoadDictionaryImage(image.data(), static_cast<DWORD>(image.size())), LOAD_OK);
    CurrentDatabase = 1;
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    bitmap_ = CreateCompatibleBitmap(dc_, 224, 127);
    old_ = SelectObject(dc_, bitmap_);
    WordText[0] = PronunciationText[0] = 0;
  }
  void TearDown() override {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    FreeDictionary();
    SelectedEntry = -1;
    CurrentDatabase = 0;
  }
  const platform::Surface& Paint(int entry) {
    RECT all{0, 0, 224, 127};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectedEntry = entry;
    PaintDefinitionView(dc_);
    return *platform::SurfaceOfBitmap(bitmap_);
  }
  // Whether the rectangle holds ink of the colour: a pixel that is the colour blended over
  // white with at least half coverage (text is antialiased).
  static bool Has(const platform::Surface& s, int left, int top, int right, int bottom, COLORREF colour) {
    int c[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    int strongest = 0;
    for (int i = 1; i < 3; ++i)
      if (255 - c[i] > 255 - c[strongest]) strongest = i;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        uint32_t p = s.pixel(x, y);
        int v[3] = {static_cast<int>(p >> 16) & 255, static_cast<int>(p >> 8) & 255, static_cast<int>(p) & 255};
        if (255 - c[strongest] == 0) continue;
        double a = (255.0 - v[strongest]) / (255 - c[strongest]);
        if (a < 0.5 || a > 1.01) continue;
        bool match = true;
        for (int i = 0; i < 3; ++i)
          if (std::abs(v[i] - (255 - a * (255 - c[i]))) > 12) match = false;
        if (match) return true;
      }
    return false;
  }
  static int InkRows(const platform::Surface& s, int left, int right) {
    int last = -1;
    for (int y = 0; y < s.height(); ++y)
      for (int x = left; x < right; ++x)
        if (s.pixel(x, y) != 0xFFFFFF) last = y;
    return last;
  }
  test::HeadlessScreen screen_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_F(DefinitionView, InstructionsWithTheirRule) {
  const platform::Surface& s = Paint(-1);
  for (int x = 10; x < 214; ++x) ASSERT_EQ(s.pixel(x, 20), 0xDCDCDCu) << x;
  EXPECT_EQ(s.pixel(214, 20), 0xFFFFFFu);  // the line's end point is not drawn
  EXPECT_TRUE(Has(s, 10, 5, 100, 19, RGB(192, 192, 192)));
  EXPECT_FALSE(Has(s, 0, 0, 224, 127, RGB(0, 0, 128)));
  EXPECT_TRUE(test::MatchesGolden("definition/instructions.png", s));
  EXPECT_EQ(WordText[0], 0);
}

TEST_F(DefinitionView, WordPronunciationAndDefinitions) {
  const platform::Surface& s = Paint(kChina);
  EXPECT_EQ(std::u16string(WordText), u"中国");
  EXPECT_EQ(std::u16string(PronunciationText), u"zhong1 guo2");
  for (int x = 10; x < 214; ++x) ASSERT_EQ(s.pixel(x, 32), 0xC0C0C0u) << x;
  EXPECT_TRUE(Has(s, 10, 6, 80, 31, RGB(0, 0, 128)));     // the headword, navy
  EXPECT_TRUE(Has(s, 10, 51, 22, 66, RGB(128, 0, 0)));   // "1."
  EXPECT_TRUE(Has(s, 23, 51, 120, 66, RGB(0, 0, 192)));  // "China"
  EXPECT_TRUE(test::MatchesGolden("definition/china.png", s));
}

TEST_F(DefinitionView, WideHeadwordFallsBackToTheSmallFont) {
  int bigBottom = InkRows(Paint(kChina), 10, 214);
  (void)bigBottom;
  const platform::Surface& s = Paint(kLongHeadword);
  EXPECT_EQ(std::u16string(WordText), u"中华人民共和国中央人民政府国务院");
  // At 16 pixels the characters end well above the rule at y 32; at 25 they reach it.
  EXPECT_FALSE(Has(s, 10, 25, 214, 32, RGB(0, 0, 128)));
  EXPECT_TRUE(Has(Paint(kChina), 10, 25, 214, 32, RGB(0, 0, 128)));
}

TEST_F(DefinitionView, NotesOpeningTheDefinitions) {
  // "(n) " is short: drawn at the right of the headword row and left out of definition 1.
  const platform::Surface& note = Paint(kShortNote);
  EXPECT_TRUE(Has(note, 150, 15, 217, 30, RGB(192, 192, 192)));
  EXPECT_TRUE(test::MatchesGolden("definition/short_note.png", note));
  // "(surname) " is long: drawn at the right, and kept in the definition text too.
  const platform::Surface& surname = Paint(kSurname);
  EXPECT_TRUE(Has(surname, 120, 15, 217, 30, RGB(192, 192, 192)));
  EXPECT_TRUE(test::MatchesGolden("definition/surname.png", surname));
}

TEST_F(DefinitionView, DefinitionsStopAboveTheButtonsAndAtChineseText) {
  const platform::Surface& s = Paint(kTwelve);
  EXPECT_FALSE(Has(s, 0, 117, 224, 127, RGB(0, 0, 192)));
  EXPECT_FALSE(Has(s, 0, 117, 224, 127, RGB(128, 0, 0)));
  EXPECT_TRUE(test::MatchesGolden("definition/many.png", s));
  EXPECT_TRUE(test::MatchesGolden("definition/chinese_inside.png", Paint(kChineseInside)));
}

TEST_F(DefinitionView, EntriesWithoutDefinitionsOrPronunciation) {
  Paint(kChina);
  Paint(kNoDefinitions);  // must stay inside the entry text
  EXPECT_EQ(std::u16string(WordText), u"奇怪");
  EXPECT_EQ(std::u16string(PronunciationText), u"qi2 guai4");
  Paint(kNoPronunciation);
  EXPECT_EQ(std::u16string(WordText), u"ABC");
  // Without a pronunciation the last one stays for Copy Pronunciation.
  EXPECT_EQ(std::u16string(PronunciationText), u"qi2 guai4");
  const platform::Surface& s = Paint(kNoPronunciation);
  EXPECT_TRUE(Has(s, 10, 36, 22, 50, RGB(128, 0, 0)));  // "1." right under the rule
}

TEST_F(DefinitionView, CopyPutsTheTextOnTheClipboardOrEmptiesIt) {
  Paint(kChina);
  CopyToClipboard(WordText);
  ASSERT_TRUE(OpenClipboard(nullptr));
  auto* text = static_cast<const WCHAR*>(GetClipboardData(CF_UNICODETEXT));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"中国");
  CloseClipboard();
  CopyToClipboard(u"");
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

}  // namespace
