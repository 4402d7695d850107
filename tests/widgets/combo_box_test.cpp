// The search field: change reports, history, the drop-down's size, place and choice, and
// tap-and-hold Paste, through stylus and key input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/commctrl.h"
#include "tests/widgets/widget_fixture.h"
#include "widgets/combo_box.h"

namespace {

using widget_test::OnScreen;

std::vector<int> g_lengths;
void OnChange(int* length) { g_lengths.push_back(*length); }

void SetClipboardText(const std::u16string& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  if (!text.empty()) {
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
    std::memcpy(GlobalLock(data), text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    GlobalUnlock(data);
    SetClipboardData(CF_UNICODETEXT, data);
  }
  CloseClipboard();
}

void QueueAt(DWORD at, platform::InputEvent::Kind kind, POINT p, UINT key = 0) {
  platform::InputEvent e;
  e.kind = kind;
  e.point = p;
  e.key = key;
  platform::headless::Queue(at, e);
}

std::pair<DWORD, DWORD> Range(DWORD start, DWORD end) { return {start, end}; }

class ComboBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    skins_ = widget_test::LoadBuiltLibrary("tovu.dll");
    ASSERT_NE(skins_, nullptr);
    RegisterComboBoxClasses(skins_);
    arrows_ = widget_test::LibraryBitmap(skins_, 7200);
    host_ = widget_test::CreateHost(0, 26, 240, 268);
    combo_ = new ComboBoxControl(host_, 12, 142, 144, 21, 16, ES_AUTOHSCROLL, OnChange);
    combo_->SetMaxLength(100);
    test::RunUntilIdle();
    g_lengths.clear();
  }
  void TearDown() override {
    delete combo_;
    DestroyWindow(host_);
    RegisterComboBoxClasses(nullptr);
    FreeLibrary(skins_);
  }
  std::u16string Text() {
    WCHAR buffer[300];
    combo_->GetText(buffer);
    return buffer;
  }
  void Search(const std::u16string& text) {
    combo_->SetText(text.c_str());
    combo_->AddToHistory();
  }
  std::vector<std::u16string> History() {
    std::vector<std::u16string> v;
    for (int i = 0; i < combo_->history->count; ++i) v.push_back(combo_->history->At(i));
    return v;
  }
  POINT Arrow() { return OnScreen(combo_->comboWindow, 144 - 9, 10); }
  int LineHeight() { return test::TextExtent(u"Arial", -15, FW_BOLD, u"Tej").cy; }
  std::pair<DWORD, DWORD> Selection() {
    DWORD start = 0, end = 0;
    SendMessageW(combo_->editWindow, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }

  test::HeadlessScreen screen_;
  HMODULE skins_ = nullptr;
  platform::Surface arrows_;
  HWND host_ = nullptr;
  ComboBoxControl* combo_ = nullptr;
};

TEST_F(ComboBoxTest, WindowsFontAndFrame) {
  RECT r = widget_test::WindowRectOf(combo_->comboWindow);
  POINT at = OnScreen(host_, 12, 142);
  EXPECT_EQ(r.left, at.x);
  EXPECT_EQ(r.top, at.y);
  EXPECT_EQ(r.right - r.left, 144);
  EXPECT_EQ(r.bottom - r.top, 21);
  RECT e = widget_test::WindowRectOf(combo_->editWindow);
  EXPECT_EQ(e.left - r.left, 1);
  EXPECT_EQ(e.top - r.top, 2);
  EXPECT_EQ(e.right - e.left, 125);
  EXPECT_EQ(e.bottom - e.top, 17);
  EXPECT_EQ(GetWindowLongPtrW(combo_->editWindow, GWLP_ID), reinterpret_cast<LONG_PTR>(combo_));
  EXPECT_EQ(LOWORD(SendMessageW(combo_->editWindow, EM_GETMARGINS, 0, 0)), 3);
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(combo_->editWindow, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"MS Song");
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
  combo_->SetCharset(2);
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(combo_->editWindow, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"MingLiu");
  EXPECT_EQ(lf.lfCharSet, CHINESEBIG5_CHARSET);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(test::PixelIs(r.left, r.top + 10, RGB(192, 192, 192)));
  EXPECT_TRUE(widget_test::ScreenShows(r.left + 144 - 17, r.top + 5, arrows_, 0, 0, 16, 15));
  ComboBoxControl automatic(host_, 12, 60, 144, 0, 16, 0, nullptr);
  EXPECT_EQ(automatic.height, 24);
}

TEST_F(ComboBoxTest, EveryChangeReportsTheLength) {
  combo_->Focus();
  test::Type(u"ab");
  ASSERT_GE(g_lengths.size(), 2u);
  EXPECT_EQ(g_lengths.back(), 2);
  EXPECT_EQ(combo_->GetTextLength(), 2);
  EXPECT_EQ(Text(), u"ab");
  test::Key(VK_BACK);
  test::Key(VK_BACK);
  EXPECT_EQ(g_lengths.back(), 0);
  EXPECT_EQ(combo_->GetTextLength(), 0);
  EXPECT_EQ(Text(), u"");
}

TEST_F(ComboBoxTest, GetTextReadsAtMostTheMaximumLength) {
  std::u16string long_(150, u'x');
  combo_->SetText(long_.c_str());
  EXPECT_EQ(combo_->GetTextLength(), 150);
  EXPECT_EQ(Text().size(), 99u);  // 100 units with the terminator
  combo_->SetMaxLength(-1);
  std::u16string longer(300, u'y');
  combo_->SetText(longer.c_str());
  EXPECT_EQ(Text().size(), 255u);
  std::vector<WCHAR> big(600, u'#');
  combo_->SetMaxLength(-1);
  combo_->GetText(big.data());
  EXPECT_EQ(big[256], u'#');
  combo_->SetText(nullptr);
  EXPECT_EQ(combo_->GetTextLength(), 0);
}

TEST_F(ComboBoxTest, HistoryKeepsEveryNewSearchInFront) {
  Search(u"A");
  Search(u"A");
  EXPECT_EQ(History(), (std::vector<std::u16string>{u"A"}));
  Search(u"B");
  Search(u"A");
  EXPECT_EQ(History(), (std::vector<std::u16string>{u"A", u"B", u"A"}));
  // A text longer than the history's buffer is cut, never overrun.
  combo_->SetMaxLength(1000);
  std::u16string huge(700, u'z');
  Search(huge);
  EXPECT_LE(lstrlenW(combo_->history->At(0)), 259);
}

TEST_F(ComboBoxTest, DropDownHeightFollowsTheHistory) {
  int h = LineHeight();
  Test::RecordProperty("line height", h);
  POINT a = Arrow();
  test::Tap(a.x, a.y);
  ASSERT_NE(combo_->dropDown, nullptr);
  EXPECT_EQ(combo_->dropDownHeight, 3 * h);
  EXPECT_EQ(SendMessageW(combo_->dropDownList, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(combo_->arrowState, 1);
  test::Tap(a.x, a.y);  // the next tap on the combo closes it
  EXPECT_EQ(combo_->dropDown, nullptr);
  EXPECT_EQ(combo_->arrowState, 0);

  for (const WCHAR* s : {u"one", u"two", u"three"}) Search(s);
  test::Tap(a.x, a.y);
  EXPECT_EQ(combo_->dropDownHeight, 3 * h + 2);
  test::Tap(a.x, a.y);
  for (const WCHAR* s : {u"four", u"five", u"six", u"seven"}) Search(s);
  test::Tap(a.x, a.y);
  EXPECT_EQ(combo_->dropDownHeight, 6 * h + 2);
  EXPECT_EQ(SendMessageW(combo_->dropDownList, LB_GETCOUNT, 0, 0), 7);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(combo_->dropDownList, SB_VERT, &si));
  EXPECT_GT(si.nMax - si.nMin + 1, static_cast<int>(si.nPage));  // seven rows do not fit: it scrolls
  WCHAR first[32];
  SendMessageW(combo_->dropDownList, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
  EXPECT_EQ(std::u16string(first), u"seven");
}

TEST_F(ComboBoxTest, DropDownOpensBelowOrAboveNearTheWorkAreasBottom) {
  Search(u"one");
  POINT a = Arrow();
  test::Tap(a.x, a.y);
  RECT combo = widget_test::WindowRectOf(combo_->comboWindow);
  RECT drop = widget_test::WindowRectOf(combo_->dropDown);
  EXPECT_EQ(drop.top, combo.bottom - 1);
  EXPECT_EQ(drop.left, combo.left);
  EXPECT_EQ(drop.right - drop.left, 144);
  EXPECT_TRUE(test::PixelIs(drop.left, drop.top + 1, RGB(0, 0, 192)));  // the blue border
  EXPECT_EQ(GetWindow(combo_->dropDown, GW_OWNER), host_);
  EXPECT_EQ(GetActiveWindow(), host_);  // the list does not take the activation
  test::Tap(a.x, a.y);

  ComboBoxControl low(host_, 12, 250, 144, 21, 16, 0, nullptr);
  low.SetText(u"x");
  low.AddToHistory();
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  POINT b = OnScreen(low.comboWindow, 135, 10);
  test::Tap(b.x, b.y);
  ASSERT_NE(low.dropDown, nullptr);
  RECT lowCombo = widget_test::WindowRectOf(low.comboWindow);
  RECT up = widget_test::WindowRectOf(low.dropDown);
  ASSERT_GT(lowCombo.bottom - 1 + low.dropDownHeight, work.bottom);
  EXPECT_EQ(up.bottom, lowCombo.top + 1);
}

TEST_F(ComboBoxTest, ChoosingAnEntryMovesItToTheFrontWithTheCaretAtItsEnd) {
  for (const WCHAR* s : {u"first", u"second", u"third"}) Search(s);
  combo_->SetText(u"typed");
  POINT a = Arrow();
  test::Tap(a.x, a.y);
  RECT row{};
  SendMessageW(combo_->dropDownList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  POINT p = OnScreen(combo_->dropDownList, 20, (row.top + row.bottom) / 2);
  test::Tap(p.x, p.y);
  EXPECT_EQ(combo_->dropDown, nullptr);
  EXPECT_EQ(Text(), u"first");
  EXPECT_EQ(History(), (std::vector<std::u16string>{u"first", u"third", u"second"}));
  EXPECT_EQ(Selection(), Range(5, 5));
}

TEST_F(ComboBoxTest, AnOrdinaryTapInTheTextClosesTheDropDown) {
  POINT a = Arrow();
  test::Tap(a.x, a.y);
  ASSERT_NE(combo_->dropDown, nullptr);
  POINT t = OnScreen(combo_->editWindow, 20, 8);
  test::Tap(t.x, t.y);
  EXPECT_EQ(combo_->dropDown, nullptr);
  EXPECT_EQ(GetFocus(), combo_->editWindow);
}

TEST_F(ComboBoxTest, TapAndHoldWithAnEmptyClipboardOffersAGreyedPaste) {
  SetClipboardText(u"");
  combo_->SetText(u"hello");
  combo_->Focus();
  POINT t = OnScreen(combo_->editWindow, 20, 8);
  DWORD now = test::Now();
  QueueAt(now, platform::InputEvent::Kind::StylusDown, t);
  QueueAt(now + 900, platform::InputEvent::Kind::StylusUp, t);
  QueueAt(now + 1000, platform::InputEvent::Kind::KeyDown, t, VK_DOWN);
  QueueAt(now + 1010, platform::InputEvent::Kind::KeyUp, t, VK_DOWN);
  QueueAt(now + 1100, platform::InputEvent::Kind::KeyDown, t, VK_RETURN);
  QueueAt(now + 1110, platform::InputEvent::Kind::KeyUp, t, VK_RETURN);
  test::Advance(1500);
  EXPECT_EQ(Text(), u"hello");  // the greyed item cannot be chosen
  EXPECT_EQ(Selection(), Range(0, 5));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, TapAndHoldPastesOverTheSelection) {
  SetClipboardText(u"中文");
  combo_->SetText(u"hello");
  combo_->Focus();
  SendMessageW(combo_->editWindow, EM_SETSEL, 1, 3);
  POINT t = OnScreen(combo_->editWindow, 20, 8);
  DWORD now = test::Now();
  QueueAt(now, platform::InputEvent::Kind::StylusDown, t);
  QueueAt(now + 900, platform::InputEvent::Kind::StylusUp, t);
  QueueAt(now + 1000, platform::InputEvent::Kind::KeyDown, t, VK_DOWN);
  QueueAt(now + 1010, platform::InputEvent::Kind::KeyUp, t, VK_DOWN);
  QueueAt(now + 1100, platform::InputEvent::Kind::KeyDown, t, VK_RETURN);
  QueueAt(now + 1110, platform::InputEvent::Kind::KeyUp, t, VK_RETURN);
  test::Advance(1500);
  EXPECT_EQ(Text(), u"h中文lo");
  EXPECT_EQ(Selection(), Range(5, 5));
  EXPECT_EQ(combo_->GetTextLength(), 5);
  EXPECT_EQ(g_lengths.back(), 5);
  EXPECT_TRUE(SendMessageW(combo_->editWindow, EM_CANUNDO, 0, 0));
}

int g_searches = 0;
void OnSearch() {
  ++g_searches;
  // A search lets waiting input through, Enter among it.
  test::Key(VK_RETURN);
}

TEST_F(ComboBoxTest, EnterSearchesWhenThereIsTextButNotFromInsideASearch) {
  g_searches = 0;
  combo_->SetSearchCallback(OnSearch);
  combo_->Focus();
  test::Key(VK_RETURN);
  EXPECT_EQ(g_searches, 0);  // nothing typed
  test::Type(u"ni");
  test::Key(VK_RETURN);
  EXPECT_EQ(g_searches, 1);
  EXPECT_EQ(Text(), u"ni");
}

TEST_F(ComboBoxTest, WithoutTheArrowStripAPlainArrowIsDrawn) {
  RegisterComboBoxClasses(nullptr);
  InvalidateRect(combo_->comboWindow, nullptr, TRUE);
  test::RunUntilIdle();
  POINT p = OnScreen(combo_->comboWindow, 144 - 17, 5);
  EXPECT_TRUE(test::PixelIs(p.x + 8, p.y + 6, RGB(128, 128, 128)));
  EXPECT_TRUE(test::PixelIs(p.x + 2, p.y + 2, RGB(255, 255, 255)));
}

TEST_F(ComboBoxTest, OpenDropDownMatchesTheGolden) {
  for (const WCHAR* s : {u"中国", u"learn", u"吃饭"}) Search(s);
  combo_->SetText(u"学习");
  POINT a = Arrow();
  test::Tap(a.x, a.y);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/combo_box.png"));
}

}  // namespace
