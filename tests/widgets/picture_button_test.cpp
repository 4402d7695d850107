// The picture button through stylus, key and timer messages: faces, clicks, and the
// explanation tip's hover rules on the virtual clock.
#include <gtest/gtest.h>

#include "tests/widgets/widget_fixture.h"
#include "widgets/picture_button.h"

namespace {

using widget_test::OnScreen;
using widget_test::ScreenShows;

int g_clicks = 0;
void Clicked() { ++g_clicks; }

class PictureButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    library_ = widget_test::LoadBuiltLibrary("tovu.dll");
    ASSERT_NE(library_, nullptr);
    RegisterPictureButtonClass(library_);
    next_ = widget_test::LibraryBitmap(library_, 800);
    host_ = widget_test::CreateHost(0, 26, 240, 268);
    g_clicks = 0;
  }
  void TearDown() override {
    for (PictureButtonControl* b : buttons_) DestroyPictureButton(b);
    DestroyWindow(host_);
    FreeLibrary(library_);
  }
  PictureButtonControl* Button(int x, int y, int id = 800, const WCHAR* text = u"Next Word Definition") {
    PictureButtonControl* b = CreatePictureButton(host_, x, y, 18, 15, library_, id, Clicked, text);
    buttons_.push_back(b);
    test::RunUntilIdle();
    return b;
  }
  POINT At(PictureButtonControl* b, int x, int y) { return OnScreen(b->window, x, y); }
  ::testing::AssertionResult ShowsFace(PictureButtonControl* b, int face) {
    POINT p = At(b, 0, 0);
    return ScreenShows(p.x, p.y, next_, face * 18, 0, 18, 15);
  }

  test::HeadlessScreen screen_;
  HMODULE library_ = nullptr;
  platform::Surface next_;
  HWND host_ = nullptr;
  std::vector<PictureButtonControl*> buttons_;
};

TEST_F(PictureButtonTest, StylusReleaseLeavesHoverAndEnterLeavesNormal) {
  PictureButtonControl* b = Button(100, 100);
  EXPECT_TRUE(ShowsFace(b, 0));
  POINT p = At(b, 9, 7);
  test::StylusDown(p.x, p.y);
  EXPECT_EQ(b->state, 2);
  EXPECT_TRUE(ShowsFace(b, 2));
  EXPECT_EQ(g_clicks, 0);
  test::StylusUp(p.x, p.y);
  EXPECT_EQ(g_clicks, 1);
  EXPECT_EQ(b->state, 1);
  EXPECT_TRUE(ShowsFace(b, 1));

  SetFocus(b->window);
  test::Key(VK_RETURN);
  EXPECT_EQ(g_clicks, 2);
  EXPECT_EQ(b->state, 0);
  EXPECT_TRUE(ShowsFace(b, 0));
  test::Key(VK_SPACE);  // only Enter clicks
  EXPECT_EQ(g_clicks, 2);
}

TEST_F(PictureButtonTest, DisabledButtonShowsTheFourthFaceAndIgnoresInput) {
  PictureButtonControl* b = Button(100, 100);
  SetPictureButtonEnabled(b, 0);
  test::RunUntilIdle();
  EXPECT_EQ(b->state, 3);
  EXPECT_TRUE(ShowsFace(b, 3));
  POINT p = At(b, 9, 7);
  test::StylusMove(p.x, p.y);
  test::Tap(p.x, p.y);
  SetFocus(b->window);
  test::Key(VK_RETURN);
  test::Advance(1500);
  EXPECT_EQ(g_clicks, 0);
  EXPECT_EQ(b->state, 3);
  EXPECT_EQ(b->hover.popup, nullptr);
  SetPictureButtonEnabled(b, 1);
  test::RunUntilIdle();
  EXPECT_EQ(b->state, 0);
  EXPECT_TRUE(ShowsFace(b, 0));
}

TEST_F(PictureButtonTest, PopupOnlyAfterMoreThanASecondWithinFivePixels) {
  PictureButtonControl* b = Button(100, 100);
  POINT p = At(b, 9, 7);
  test::StylusMove(p.x, p.y);
  EXPECT_EQ(b->state, 1);
  test::Advance(500);
  test::StylusMove(p.x + 4, p.y - 4);  // still within the zone: the rest goes on
  test::Advance(500);
  EXPECT_EQ(b->hover.popup, nullptr);
  test::Advance(30);
  ASSERT_NE(b->hover.popup, nullptr);
  EXPECT_TRUE(IsWindowVisible(b->hover.popup));

  // The tip's bottom-right corner lies at the pointer; light yellow with navy text.
  RECT r = widget_test::WindowRectOf(b->hover.popup);
  EXPECT_EQ(r.right, p.x + 4);
  EXPECT_EQ(r.bottom, p.y - 4);
  EXPECT_TRUE(test::PixelIs(r.left + 1, r.top + 1, RGB(255, 255, 192)));
  EXPECT_TRUE(widget_test::ScreenHasColour(r, RGB(0, 0, 128)));
  EXPECT_EQ(GetWindow(b->hover.popup, GW_OWNER), host_);

  // Moving out of the zone removes it; resting again in the same visit brings nothing.
  test::StylusMove(p.x - 6, p.y + 3);
  test::Advance(20);
  EXPECT_EQ(b->hover.popup, nullptr);
  test::Advance(3000);
  EXPECT_EQ(b->hover.popup, nullptr);
  EXPECT_EQ(b->state, 1);
}

TEST_F(PictureButtonTest, MovingSixPixelsRestartsTheRest) {
  PictureButtonControl* b = Button(100, 100);
  POINT p = At(b, 5, 5);
  test::StylusMove(p.x, p.y);
  test::Advance(800);
  test::StylusMove(p.x + 6, p.y);  // leaves the 10 x 10 zone
  test::Advance(800);
  EXPECT_EQ(b->hover.popup, nullptr);
  test::Advance(300);
  EXPECT_NE(b->hover.popup, nullptr);
}

TEST_F(PictureButtonTest, PressSuppressesThePopupForTheVisitAndLeavingEndsIt) {
  PictureButtonControl* b = Button(100, 100);
  POINT p = At(b, 9, 7);
  test::StylusMove(p.x, p.y);
  test::Advance(200);
  test::StylusDown(p.x, p.y);
  test::Advance(2000);
  EXPECT_EQ(b->hover.popup, nullptr);
  EXPECT_EQ(b->hover.popupUsed, 1);

  // Leaving ends the visit: normal face, popup used cleared, the next visit shows the tip.
  test::StylusMove(p.x + 40, p.y);
  test::Advance(20);
  EXPECT_EQ(b->state, 0);
  EXPECT_EQ(b->hover.popupUsed, 0);
  EXPECT_TRUE(ShowsFace(b, 0));
  test::StylusMove(p.x, p.y);
  test::Advance(1100);
  ASSERT_NE(b->hover.popup, nullptr);
  test::StylusMove(p.x + 40, p.y);
  test::Advance(20);
  EXPECT_EQ(b->hover.popup, nullptr);
  EXPECT_EQ(b->state, 0);
}

TEST_F(PictureButtonTest, MovingStraightOntoAnotherButtonEndsTheFirstHover) {
  PictureButtonControl* previous = Button(181, 107, 801, u"Previous Word Definition");
  PictureButtonControl* next = Button(199, 107);
  POINT a = At(previous, 9, 7), b = At(next, 3, 7);
  test::StylusMove(a.x, a.y);
  test::Advance(1100);
  ASSERT_NE(previous->hover.popup, nullptr);
  // The move message reaches the second button before the first one's timer notices.
  test::StylusMove(b.x, b.y);
  EXPECT_EQ(previous->state, 0);
  EXPECT_EQ(previous->hover.popup, nullptr);
  EXPECT_EQ(next->state, 1);
  test::Advance(1100);
  EXPECT_NE(next->hover.popup, nullptr);
  EXPECT_EQ(previous->hover.popup, nullptr);
}

TEST_F(PictureButtonTest, MissingStripDrawsPlainFaces) {
  PictureButtonControl* b = Button(100, 100, 4242);
  POINT p = At(b, 0, 0);
  EXPECT_TRUE(test::PixelIs(p.x + 9, p.y + 7, RGB(255, 255, 255)));
  EXPECT_TRUE(test::PixelIs(p.x, p.y + 7, RGB(176, 180, 200)));
  SetPictureButtonEnabled(b, 0);
  test::RunUntilIdle();
  EXPECT_TRUE(test::PixelIs(p.x, p.y + 7, RGB(222, 222, 222)));
  PictureButtonControl* none = CreatePictureButton(host_, 140, 100, 18, 15, nullptr, 800, Clicked, u"x");
  buttons_.push_back(none);
  RegisterPictureButtonClass(nullptr);
  PictureButtonControl* unregistered = CreatePictureButton(host_, 160, 100, 18, 15, nullptr, 800, Clicked, u"x");
  buttons_.push_back(unregistered);
  test::RunUntilIdle();
  EXPECT_TRUE(ShowsFace(none, 0));  // the registered library stands in for a null one
  POINT q = At(unregistered, 0, 0);
  EXPECT_TRUE(test::PixelIs(q.x + 9, q.y + 7, RGB(255, 255, 255)));
}

// Normal, disabled, pressed, and hovered with its tip.
TEST_F(PictureButtonTest, StatesMatchTheGolden) {
  Button(40, 60, 801);
  PictureButtonControl* disabled = Button(40, 90, 800);
  SetPictureButtonEnabled(disabled, 0);
  PictureButtonControl* pressed = Button(40, 120, 801);
  PictureButtonControl* hovered = Button(199, 150, 800);
  POINT p = At(pressed, 9, 7);
  test::StylusDown(p.x, p.y);
  POINT h = At(hovered, 9, 7);
  test::StylusMove(h.x, h.y);
  test::Advance(1100);
  ASSERT_NE(hovered->hover.popup, nullptr);
  EXPECT_EQ(pressed->state, 2);
  EXPECT_TRUE(test::MatchesGolden("widgets/picture_button.png"));
}

}  // namespace
