// The handheld's text button: size, faces, the press/slide/lift state machine, sounds,
// Enter on the virtual clock, and focus on a disabled button.
#include <gtest/gtest.h>

#include "tests/widgets/widget_fixture.h"
#include "widgets/text_button.h"

namespace {

using widget_test::OnScreen;
using widget_test::ScreenShows;

int g_clicks = 0, g_presses = 0;
DWORD g_clickTime = 0;
void Clicked() {
  ++g_clicks;
  g_clickTime = GetTickCount();
}
void Pressed() { ++g_presses; }

class TextButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    library_ = widget_test::LoadBuiltLibrary("tovu.dll");
    ASSERT_NE(library_, nullptr);
    RegisterTextButtonClass(library_);
    faces_ = widget_test::LibraryBitmap(library_, 4);
    host_ = widget_test::CreateHost(0, 26, 240, 268);
    g_clicks = g_presses = 0;
    platform::headless::ClearRecords();
  }
  void TearDown() override {
    for (TextButton* b : buttons_) delete b;
    DestroyWindow(host_);
    RegisterTextButtonClass(nullptr);
    FreeLibrary(library_);
  }
  TextButton* Button(int x, int y, const WCHAR* caption = u"Search", int size = 12, int wide = 0) {
    TextButton* b = new TextButton(host_, x, y, caption, size, Pressed, Clicked, u"Search dictionary", wide);
    buttons_.push_back(b);
    test::RunUntilIdle();
    return b;
  }
  // The caps on screen are those of face offset f.
  ::testing::AssertionResult ShowsFace(TextButton* b, int f) {
    POINT p = OnScreen(b->window, 0, 0);
    ::testing::AssertionResult left = ScreenShows(p.x, p.y, faces_, f, 0, 10, 22);
    if (!left) return left;
    return ScreenShows(p.x + b->width - 10, p.y, faces_, f + 20, 0, 10, 22);
  }

  test::HeadlessScreen screen_;
  HMODULE library_ = nullptr;
  platform::Surface faces_;
  HWND host_ = nullptr;
  std::vector<TextButton*> buttons_;
};

int CaptionWidth(const WCHAR* caption, int size) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-size, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE s{};
  GetTextExtentPoint32W(dc, caption, lstrlenW(caption), &s);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return s.cx;
}

TEST_F(TextButtonTest, SizedByItsCaption) {
  TextButton* search = Button(162, 143);
  EXPECT_EQ(search->width, CaptionWidth(u"Search", 12) + 28);
  EXPECT_EQ(search->height, 22);
  RECT r = widget_test::WindowRectOf(search->window);
  EXPECT_EQ(r.right - r.left, search->width);
  EXPECT_EQ(r.bottom - r.top, 22);
  POINT origin = OnScreen(host_, 162, 143);
  EXPECT_EQ(r.left, origin.x);
  EXPECT_EQ(r.top, origin.y);
  TextButton* wide = Button(20, 40, u"Search", 12, 1);
  EXPECT_EQ(wide->width, search->width + 11);
  EXPECT_EQ(GetWindowLongPtrW(search->window, GWLP_ID), reinterpret_cast<LONG_PTR>(search));
}

TEST_F(TextButtonTest, FacesFollowTheStateAndTheMiddleStretches) {
  TextButton* b = Button(40, 60);
  EXPECT_EQ(b->state, 1);
  EXPECT_TRUE(ShowsFace(b, 30));
  POINT p = OnScreen(b->window, 0, 0);
  // The stretched middle starts with the strip middle.s first column.
  EXPECT_TRUE(ScreenShows(p.x + 10, p.y, faces_, 30 + 10, 0, 1, 22));
  b->SetEnabled(1);
  test::RunUntilIdle();
  EXPECT_EQ(b->state, 0);
  EXPECT_TRUE(ShowsFace(b, 0));
  POINT c = OnScreen(b->window, 20, 11);
  test::StylusDown(c.x, c.y);
  EXPECT_TRUE(ShowsFace(b, 60));
  test::StylusUp(c.x, c.y);
  b->SetEnabled(0);
  test::RunUntilIdle();
  EXPECT_EQ(b->state, -1);
  EXPECT_TRUE(ShowsFace(b, 90));
  // The disabled caption is light grey: nothing navy is left on the face.
  RECT face{p.x, p.y, p.x + b->width, p.y + 22};
  EXPECT_FALSE(widget_test::ScreenHasColour(face, RGB(0, 0, 128), 60));
  EXPECT_TRUE(widget_test::ScreenHasColour(face, RGB(225, 225, 225), 10));
}

TEST_F(TextButtonTest, PressAndLiftClicksWithSounds) {
  TextButton* b = Button(40, 60);
  POINT c = OnScreen(b->window, 20, 11);
  test::StylusDown(c.x, c.y);
  EXPECT_EQ(b->state, 2);
  EXPECT_EQ(GetCapture(), b->window);
  EXPECT_EQ(g_presses, 1);
  EXPECT_EQ(widget_test::SoundsPlayed(u"res/2.wav"), 1);
  EXPECT_EQ(g_clicks, 0);
  test::StylusUp(c.x, c.y);
  EXPECT_EQ(g_clicks, 1);
  EXPECT_EQ(b->state, 1);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(widget_test::SoundsPlayed(u"res/6.wav"), 1);
}

TEST_F(TextButtonTest, SlidingOffAndLiftingOutsideCallsNothing) {
  TextButton* b = Button(40, 60);
  POINT c = OnScreen(b->window, 20, 11);
  test::StylusDown(c.x, c.y);
  test::StylusMove(c.x + 200, c.y);
  EXPECT_EQ(b->state, 1);
  EXPECT_EQ(GetCapture(), nullptr);
  test::StylusMove(c.x, c.y);  // back over it: not pressed again
  EXPECT_EQ(b->state, 1);
  test::StylusMove(c.x + 200, c.y);
  test::StylusUp(c.x + 200, c.y);
  EXPECT_EQ(g_clicks, 0);
  EXPECT_EQ(b->state, 1);
  EXPECT_EQ(widget_test::SoundsPlayed(u"res/6.wav"), 0);

  // Lifted outside with no move in between: the capture brings the lift, still no click.
  test::StylusDown(c.x, c.y);
  test::StylusUp(c.x, c.y + 100);
  EXPECT_EQ(g_clicks, 0);
  EXPECT_EQ(b->state, 1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TextButtonTest, EnterPressesForOneHundredFiftyMillisecondsThenClicks) {
  TextButton* b = Button(40, 60);
  b->Focus();
  EXPECT_EQ(GetFocus(), b->window);
  EXPECT_EQ(b->focused, 1);
  DWORD before = test::Now();
  test::Key(VK_RETURN);
  EXPECT_EQ(g_clicks, 1);
  EXPECT_EQ(g_clickTime - before, 150u);
  EXPECT_EQ(b->state, 0);
  EXPECT_EQ(g_presses, 0);
  EXPECT_EQ(widget_test::SoundsPlayed(u".wav"), 0);
  test::Key('A');  // other keys are swallowed
  EXPECT_EQ(g_clicks, 1);
}

TEST_F(TextButtonTest, DisabledButtonTakesNoInputAndPassesTheFocusOn) {
  TextButton* b = Button(40, 60);
  b->Focus();
  b->SetEnabled(0);
  // It still holds the focus it had: Enter must not start its action again.
  test::Key(VK_RETURN);
  POINT c = OnScreen(b->window, 20, 11);
  test::Tap(c.x, c.y);
  EXPECT_EQ(g_clicks, 0);
  EXPECT_EQ(g_presses, 0);
  EXPECT_EQ(widget_test::SoundsPlayed(u".wav"), 0);
  SetFocus(host_);
  b->Focus();
  EXPECT_EQ(GetFocus(), nullptr);
  b->SetEnabled(1);
  test::Tap(c.x, c.y);
  EXPECT_EQ(g_clicks, 1);
}

TEST_F(TextButtonTest, WithoutTheStripTheFaceIsPlain) {
  RegisterTextButtonClass(nullptr);
  TextButton* b = Button(40, 60);
  POINT p = OnScreen(b->window, 0, 0);
  EXPECT_TRUE(test::PixelIs(p.x, p.y + 11, RGB(112, 122, 172)));
  EXPECT_TRUE(test::PixelIs(p.x + 5, p.y + 11, RGB(255, 255, 255)));
  b->SetEnabled(0);
  test::RunUntilIdle();
  EXPECT_TRUE(test::PixelIs(p.x, p.y + 11, RGB(214, 214, 214)));
}

TEST_F(TextButtonTest, DestroyTwiceIsHarmless) {
  TextButton* b = Button(40, 60);
  HWND w = b->window;
  b->Destroy();
  EXPECT_FALSE(IsWindow(w));
  b->Destroy();
}

// Normal, ready, pressed, disabled, wide, and the message box's captions.
TEST_F(TextButtonTest, StatesMatchTheGolden) {
  // Odd rows, as the Search button's 143: the faces' corners carry the background's hatching.
  Button(20, 21, u"Search");
  Button(20, 51, u"Search")->SetEnabled(1);
  TextButton* pressed = Button(20, 81, u"Search");
  Button(20, 111, u"Search")->SetEnabled(0);
  Button(20, 141, u"Search", 12, 1);
  Button(20, 171, u" Yes ", 11);
  Button(90, 171, u" No ", 11);
  Button(150, 171, u" OK ", 11);
  POINT c = OnScreen(pressed->window, 20, 11);
  test::StylusDown(c.x, c.y);
  EXPECT_TRUE(test::MatchesGolden("widgets/text_button.png"));
}

}  // namespace
