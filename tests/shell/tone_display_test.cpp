// Tone marks and tone colours, switched from the Options menu: in the panel, on the whole
// entry, in the result rows, in what Copy Pronunciation copies, and kept across runs.
#include <gtest/gtest.h>

#include <fstream>

#include "device/dictionary/search_driver.h"
#include "device/dictionary/search_text.h"
#include "device/shell/entry_page.h"
#include "device/shell/main_window.h"
#include "device/shell/shared_screen.h"
#include "platform/commctrl.h"
#include "resource_ids.h"
#include "tests/shell/program_fixture.h"
#include "widgets/frame_window.h"
#include "widgets/list_view.h"

namespace {

using program_test::DictionaryProgram;

class Tones : public DictionaryProgram {
 protected:
  void PrepareList() {
    PrepareGb({
        u"# CEDICT test list (GB)",
        u"中国 [zhong1 guo2] /China/",
        u"绿 [lu:4] /green/",
        u"华夏 [Hua2 xia4] /old name for China/see also 中国[Zhong1 guo2]/",
        u"你好吗 [ni3 hao3 ma5] /how are you?/",
    });
  }
  // Pixels of the panel's pronunciation row near a colour.
  static int PronunciationInk(COLORREF colour) { return PanelInk({59, 35, 214, 50}, colour, 40); }
};

TEST_F(Tones, MarksAreShownCopiedAndKeptAcrossRuns) {
  PrepareList();
  ASSERT_TRUE(Start());
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_TONE_MARKS) & MF_CHECKED, 0u);
  Command(IDM_TONE_MARKS);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_TONE_MARKS) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  Choose(u"china");
  int row = -1;
  for (int r = 0; r < ResultEntryCount; ++r)
    if (ResultEntries[r] == 2) row = r;
  ASSERT_GE(row, 0);
  EXPECT_EQ(RowText(row, 1), u"old name for China, see also 中国[Zhōng guó]");
  Command(IDM_COPY_PRONUNCIATION);
  EXPECT_EQ(Clipboard(), u"zhōng guó");
  EXPECT_TRUE(LooksLike("definition_tone_marks"));

  ASSERT_TRUE(Restart());
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_TONE_MARKS) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  Choose(u"green");
  Command(IDM_COPY_PRONUNCIATION);
  EXPECT_EQ(Clipboard(), u"lǜ");
  // Off again: the numbers, as the word list writes them, shown and copied at once.
  Command(IDM_TONE_MARKS);
  Command(IDM_COPY_PRONUNCIATION);
  EXPECT_EQ(Clipboard(), u"lu:4");
  ASSERT_TRUE(Restart());
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_TONE_MARKS) & MF_CHECKED, 0u);
}

TEST_F(Tones, ColoursFollowTheToneOfEachSyllable) {
  PrepareList();
  ASSERT_TRUE(Start());
  Choose(u"how are you");
  const COLORREF red = RGB(214, 0, 0), orange = RGB(190, 90, 0), green = RGB(0, 128, 0);
  EXPECT_EQ(PronunciationInk(green), 0);
  Command(IDM_TONE_COLOURS);  // the word shown is drawn again at once
  EXPECT_EQ(PronunciationInk(red), 0);  // no first tone in ni3 hao3 ma5
  EXPECT_GT(PronunciationInk(green), 20);
  EXPECT_GT(PronunciationInk(RGB(112, 112, 112)), 5);  // ma5, the neutral tone
  Command(IDM_COPY_PRONUNCIATION);
  EXPECT_EQ(Clipboard(), u"ni3 hao3 ma5");  // colours alone leave the text as it is
  Command(IDM_TONE_MARKS);
  Choose(u"China");
  EXPECT_GT(PronunciationInk(red), 20);
  EXPECT_GT(PronunciationInk(orange), 20);
  EXPECT_TRUE(LooksLike("definition_tone_colours"));
  RECT r;
  GetWindowRect(DefinitionFrame->window, &r);
  test::Tap(r.left + 60, r.top + 60);
  ASSERT_NE(EntryPageWindow(), nullptr);
  EXPECT_TRUE(LooksLike("entry_page_tones"));
}

// A value the program did not write means off, as if the key were absent.
TEST_F(Tones, BadToneValuesMeanOff) {
  PrepareList();
  std::ofstream(folder_ / "vemora.set", std::ios::binary) << "tone_marks=yes\ntone_colours=1 \n";
  ASSERT_TRUE(Start());
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_TONE_MARKS) & MF_CHECKED, 0u);
  EXPECT_EQ(MenuState(IDM_OPTIONS_BUTTON, IDM_TONE_COLOURS) & MF_CHECKED, 0u);
  Choose(u"China");
  Command(IDM_COPY_PRONUNCIATION);
  EXPECT_EQ(Clipboard(), u"zhong1 guo2");
  EXPECT_EQ(PronunciationInk(RGB(214, 0, 0)), 0);
}

}  // namespace
