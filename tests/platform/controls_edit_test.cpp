// The single-line "edit" control through the message path: typing and EN_UPDATE/EN_CHANGE,
// keys and stylus selection, the clipboard, undo, the limit, scrolling, colours and the caret.
#include "tests/platform/controls_fixture.h"

namespace {

using controls_test::ControlsTest;
using test::Expected;
using test::MessageRecorder;

class EditTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    edit_ = Child(u"edit", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 150, 22);
    SetFocus(edit_);
    test::RunUntilIdle();
  }
  DWORD Selection() const {
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return MAKELONG(start, end);
  }
  // Screen point of the boundary before character `index`.
  POINT At(int index) const {
    LRESULT pos = SendMessageW(edit_, EM_POSFROMCHAR, index, 0);
    return OnScreen(edit_, static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos)) + 4);
  }
  Expected Command(WORD code) const {
    return Expected{WM_COMMAND, MAKEWPARAM(7, code), reinterpret_cast<LPARAM>(edit_)};
  }
  HWND edit_ = nullptr;
};

TEST_F(EditTest, EveryChangeSendsUpdateThenChangeToTheParent) {
  MessageRecorder parent(parent_, {WM_COMMAND});
  test::Type(u"ab");
  test::Key(VK_BACK);
  EXPECT_EQ(Text(edit_), u"a");
  EXPECT_TRUE(parent.Matches({Command(EN_UPDATE), Command(EN_CHANGE), Command(EN_UPDATE), Command(EN_CHANGE),
                              Command(EN_UPDATE), Command(EN_CHANGE)}));
  // Nothing to delete before the start, nothing to announce.
  test::Key(VK_HOME);
  parent.Clear();
  test::Key(VK_BACK);
  EXPECT_TRUE(parent.log().empty()) << parent.Describe();
  // Setting the text announces it too.
  SetWindowTextW(edit_, u"xyz");
  EXPECT_TRUE(parent.Matches({Command(EN_UPDATE), Command(EN_CHANGE)}));
  EXPECT_EQ(GetWindowTextLengthW(edit_), 3);
}

TEST_F(EditTest, TextFromTheInputMethodIsTypedWholeIncludingSurrogatePairs) {
  MessageRecorder parent(parent_, {WM_COMMAND});
  test::Type(u"中文");
  test::Type(u"\U0001F600");  // arrives as two WM_CHAR units
  EXPECT_EQ(Text(edit_), u"中文\U0001F600");
  EXPECT_EQ(parent.Count(WM_COMMAND), 6u);  // three insertions
  // Backspace and the arrows never split the pair.
  test::Key(VK_LEFT);
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(2, 2)));
  test::Key(VK_END);
  test::Key(VK_BACK);
  EXPECT_EQ(Text(edit_), u"中文");
}

TEST_F(EditTest, KeysMoveTheCaretAndShiftExtendsTheSelection) {
  SetWindowTextW(edit_, u"hello world");
  test::Key(VK_HOME);
  test::KeyDown(VK_SHIFT);
  for (int i = 0; i < 5; ++i) test::Key(VK_RIGHT);
  test::KeyUp(VK_SHIFT);
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(0, 5)));
  test::Key(VK_RIGHT);  // collapses to the end of the selection
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(5, 5)));
  test::KeyDown(VK_SHIFT);
  test::Key(VK_END);
  test::KeyUp(VK_SHIFT);
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(5, 11)));
  test::Key(VK_DELETE);
  EXPECT_EQ(Text(edit_), u"hello");
  test::Key(VK_HOME);
  test::Key(VK_DELETE);
  EXPECT_EQ(Text(edit_), u"ello");
  // Typing replaces a selection.
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  test::Type(u"Z");
  EXPECT_EQ(Text(edit_), u"Z");
}

TEST_F(EditTest, ClipboardCopyCutAndPasteByKeysAndMessages) {
  SetWindowTextW(edit_, u"hello world");
  SendMessageW(edit_, EM_SETSEL, 0, 5);
  test::CtrlKey('c');
  EXPECT_EQ(controls_test::ClipboardText(), u"hello");
  EXPECT_EQ(Text(edit_), u"hello world");
  test::Key(VK_END);
  test::CtrlKey('v');
  EXPECT_EQ(Text(edit_), u"hello worldhello");
  SendMessageW(edit_, EM_SETSEL, 5, 11);
  test::CtrlKey('x');
  EXPECT_EQ(Text(edit_), u"hellohello");
  EXPECT_EQ(controls_test::ClipboardText(), u" world");
  // A single line takes the clipboard text up to its first line break.
  controls_test::SetClipboardText(u"first\r\nsecond");
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  SendMessageW(edit_, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(edit_), u"first");
  SendMessageW(edit_, EM_SETSEL, 1, 3);
  SendMessageW(edit_, WM_COPY, 0, 0);
  EXPECT_EQ(controls_test::ClipboardText(), u"ir");
  SendMessageW(edit_, WM_CUT, 0, 0);
  EXPECT_EQ(Text(edit_), u"fst");
  // Copying nothing leaves the clipboard as it was.
  SendMessageW(edit_, EM_SETSEL, 1, 1);
  test::CtrlKey('c');
  EXPECT_EQ(controls_test::ClipboardText(), u"ir");
}

TEST_F(EditTest, ReplaceSelectionIsUndoableAndUndoTwiceRedoes) {
  SetWindowTextW(edit_, u"abc");
  EXPECT_FALSE(SendMessageW(edit_, EM_CANUNDO, 0, 0));
  SendMessageW(edit_, EM_SETSEL, 1, 2);
  MessageRecorder parent(parent_, {WM_COMMAND});
  SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"XY"));
  EXPECT_EQ(Text(edit_), u"aXYc");
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(3, 3)));
  EXPECT_TRUE(SendMessageW(edit_, EM_CANUNDO, 0, 0));
  SendMessageW(edit_, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(edit_), u"abc");
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(1, 2)));
  SendMessageW(edit_, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(edit_), u"aXYc");
  EXPECT_EQ(parent.Count(WM_COMMAND), 6u);
  // A run of typing is one step; Ctrl+Z undoes it.
  SetWindowTextW(edit_, u"");
  test::Type(u"word");
  test::CtrlKey('z');
  EXPECT_EQ(Text(edit_), u"");
}

TEST_F(EditTest, TheLimitCutsTypingAndPastingButNotSetText) {
  SendMessageW(edit_, EM_LIMITTEXT, 3, 0);
  EXPECT_EQ(SendMessageW(edit_, EM_GETLIMITTEXT, 0, 0), 3);
  MessageRecorder parent(parent_, {WM_COMMAND});
  test::Type(u"abcd");
  EXPECT_EQ(Text(edit_), u"abc");
  EXPECT_EQ(parent.Count(WM_COMMAND), 7u);  // three changes and one EN_MAXTEXT
  EXPECT_EQ(parent.log().back().wParam, MAKEWPARAM(7, EN_MAXTEXT));
  SetWindowTextW(edit_, u"longer than three");
  EXPECT_EQ(Text(edit_), u"longer than three");
}

TEST_F(EditTest, StylusPlacesTheCaretAndDragSelects) {
  SetWindowTextW(edit_, u"hello world");
  POINT p2 = At(2), p7 = At(7);
  test::Tap(p2.x, p2.y);
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(2, 2)));
  test::Drag(p2.x, p2.y, p7.x, p7.y);
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(2, 7)));
  EXPECT_EQ(GetCapture(), nullptr);
  // A tap with Shift held extends from the anchor.
  test::Tap(p2.x, p2.y);
  test::KeyDown(VK_SHIFT);
  POINT p9 = At(9);
  test::Tap(p9.x, p9.y);
  test::KeyUp(VK_SHIFT);
  EXPECT_EQ(Selection(), static_cast<DWORD>(MAKELONG(2, 9)));
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretInside) {
  std::u16string text(80, u'w');
  SetWindowTextW(edit_, text.c_str());
  test::Key(VK_END);
  RECT client;
  GetClientRect(edit_, &client);
  auto x = [&](int i) { return static_cast<short>(LOWORD(SendMessageW(edit_, EM_POSFROMCHAR, i, 0))); };
  EXPECT_GE(x(80), 0);
  EXPECT_LT(x(80), client.right);
  EXPECT_LT(x(0), 0);  // the start has scrolled out on the left
  test::Key(VK_HOME);
  EXPECT_EQ(x(0), 2);  // back to the left margin
  // Without ES_AUTOHSCROLL the text stops at the edge of the box.
  HWND fixed = Child(u"edit", WS_BORDER, 10, 40, 60, 22, 8);
  SetFocus(fixed);
  test::Type(text);
  int kept = GetWindowTextLengthW(fixed);
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 80);
}

TEST_F(EditTest, MarginsFontsAndTheParentsColours) {
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
  OnParent([&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT* r) {
    if (m != WM_CTLCOLOREDIT || reinterpret_cast<HWND>(l) != edit_) return false;
    SetTextColor(reinterpret_cast<HDC>(w), RGB(255, 0, 0));
    *r = reinterpret_cast<LRESULT>(yellow);
    return true;
  });
  SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN, MAKELONG(10, 0));
  EXPECT_EQ(LOWORD(SendMessageW(edit_, EM_GETMARGINS, 0, 0)), 10);
  HFONT font = CreateFontW(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, u"Arial");
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit_, WM_GETFONT, 0, 0)), font);
  SetWindowTextW(edit_, u"MMMM");
  SetFocus(parent_);
  test::RunUntilIdle();
  EXPECT_EQ(static_cast<short>(LOWORD(SendMessageW(edit_, EM_POSFROMCHAR, 0, 0))), 10);
  POINT corner = OnScreen(edit_, 1, 1);
  EXPECT_TRUE(test::PixelIs(corner.x, corner.y, RGB(255, 255, 0)));
  // Red text from the margin on, none before it.
  RECT client;
  GetClientRect(edit_, &client);
  int red = 0, redBeforeMargin = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) {
      POINT p = OnScreen(edit_, x, y);
      if (test::PixelAt(p.x, p.y) == RGB(255, 0, 0)) (x < 10 ? redBeforeMargin : red)++;
    }
  EXPECT_GT(red, 20);
  EXPECT_EQ(redBeforeMargin, 0);
  DeleteObject(font);
  DeleteObject(yellow);
}

TEST_F(EditTest, SelectionShowsWhileFocusedAndTheCaretBlinksOnTheClock) {
  SetWindowTextW(edit_, u"select me");
  SendMessageW(edit_, EM_SETSEL, 0, 6);
  test::RunUntilIdle();
  POINT inSelection = OnScreen(edit_, static_cast<short>(LOWORD(SendMessageW(edit_, EM_POSFROMCHAR, 1, 0))), 1);
  RECT client;
  GetClientRect(edit_, &client);
  LRESULT pos = SendMessageW(edit_, EM_POSFROMCHAR, 0, 0);
  int textTop = static_cast<short>(HIWORD(pos));
  inSelection.y += textTop + 1;
  EXPECT_TRUE(test::PixelIs(inSelection.x, inSelection.y, GetSysColor(COLOR_HIGHLIGHT)));
  SetFocus(parent_);
  test::RunUntilIdle();
  EXPECT_TRUE(test::PixelIs(inSelection.x, inSelection.y, RGB(255, 255, 255)));

  // The caret: a one-pixel line at the caret's position, on for 500 ms, off for 500 ms.
  SetFocus(edit_);
  SendMessageW(edit_, EM_SETSEL, 9, 9);
  test::RunUntilIdle();
  POINT caret = OnScreen(edit_, static_cast<short>(LOWORD(SendMessageW(edit_, EM_POSFROMCHAR, 9, 0))), textTop + 3);
  EXPECT_TRUE(test::PixelIs(caret.x, caret.y, RGB(0, 0, 0)));
  test::Advance(510);
  EXPECT_TRUE(test::PixelIs(caret.x, caret.y, RGB(255, 255, 255)));
  test::Advance(500);
  EXPECT_TRUE(test::PixelIs(caret.x, caret.y, RGB(0, 0, 0)));
  // Typing shows it at once, wherever the blink was.
  test::Advance(500);
  test::Type(u"!");
  POINT moved = OnScreen(edit_, static_cast<short>(LOWORD(SendMessageW(edit_, EM_POSFROMCHAR, 10, 0))), textTop + 3);
  EXPECT_TRUE(test::PixelIs(moved.x, moved.y, RGB(0, 0, 0)));
}

TEST_F(EditTest, GetTextCutsToTheBufferAndTheWindowIsFreedCleanly) {
  SetWindowTextW(edit_, u"abcdef");
  WCHAR small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(SendMessageW(edit_, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(small)), 3);
  EXPECT_EQ(std::u16string(small), u"abc");
  EXPECT_EQ(SendMessageW(edit_, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_TRUE(DestroyWindow(edit_));
  test::Advance(1000);  // no caret timer may outlive the window
  EXPECT_FALSE(IsWindow(edit_));
}

}  // namespace
