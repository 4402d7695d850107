// Text pasted into the search box that the box was never meant to hold: far longer than
// any search, several lines, surrogate pairs at the cut. The search takes what fits, the
// history keeps a cut copy, and nothing is read or written past a buffer (the sanitizer
// build checks that part).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/dictionary/search_driver.h"
#include "device/shell/main_window.h"
#include "platform/windows.h"
#include "tests/shell/program_fixture.h"
#include "widgets/combo_box.h"
#include "widgets/item_lists.h"
#include "widgets/text_button.h"

using program_test::DictionaryProgram;

namespace {

void PutOnClipboard(const std::u16string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HANDLE block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  GlobalUnlock(block);
  if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
  CloseClipboard();
}

class PastedText : public DictionaryProgram {
 protected:
  // Pastes into the emptied search box with Ctrl+V, then taps Search.
  void PasteAndSearch(const std::u16string& clipboard) {
    PutOnClipboard(clipboard);
    SearchBox->SetText(nullptr);
    test::Tap(60, 26 + 152);
    test::CtrlKey('v');
    RECT r;
    GetWindowRect(SearchButton->window, &r);
    test::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  static std::u16string Newest() { return SearchBox->history->At(0); }
};

TEST_F(PastedText, AHugeTextIsSearchedByItsStartAndKeptCutInTheHistory) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  std::u16string huge = u"china";
  while (huge.size() < 100000) huge += u" zhong1 guo2 中国";
  PasteAndSearch(huge);
  // The box takes what its edit's limit allows.
  LRESULT limit = SendMessageW(SearchBox->editWindow, EM_GETLIMITTEXT, 0, 0);
  ASSERT_LT(limit, static_cast<LRESULT>(huge.size()));
  EXPECT_EQ(SearchBox->GetTextLength(), limit);
  // The history entry is the text's start, cut to the box's 100-unit text.
  std::u16string newest = Newest();
  EXPECT_EQ(newest.size(), 99u);
  EXPECT_EQ(huge.compare(0, newest.size(), newest), 0);
  // The search ran to its end on the first units and shows its count.
  EXPECT_EQ(SearchButton->enabled, 1);
  EXPECT_NE(LabelText(), u"");

  // A short search afterwards is unharmed.
  Search(u"china");
  EXPECT_GT(ResultEntryCount, 0);
}

TEST_F(PastedText, OnlyTheFirstLineIsPastedAndAPairIsNeverSplit) {
  Prepare(true, false);
  ASSERT_TRUE(Start());
  PasteAndSearch(u"china\r\nhello\r\nthird line");
  EXPECT_EQ(Newest(), u"china");
  EXPECT_GT(ResultEntryCount, 0);

  // 98 units, then a surrogate pair across the 99-unit cut.
  std::u16string text(98, u'a');
  text += u"\U0001F600";
  text += u"tail";
  PasteAndSearch(text);
  EXPECT_EQ(Newest(), text.substr(0, 98));  // the pair left out whole
  EXPECT_EQ(ResultEntryCount, 0);
  // Offered again from the history, it shows and searches like any other.
  RECT combo;
  GetWindowRect(SearchBox->comboWindow, &combo);
  test::Tap(combo.right - 8, (combo.top + combo.bottom) / 2);
  ASSERT_NE(SearchBox->dropDown, nullptr);
  RECT item{};
  SendMessageW(SearchBox->dropDownList, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  MapWindowPoints(SearchBox->dropDownList, nullptr, reinterpret_cast<POINT*>(&item), 2);
  test::Tap((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  WCHAR chosen[257] = {};
  SearchBox->GetText(chosen);
  EXPECT_EQ(std::u16string(chosen), text.substr(0, 98));
}

}  // namespace
