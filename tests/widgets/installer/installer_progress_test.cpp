// The installer's progress panel: its size and bar, the owner it disables, and the 10 ms
// that every position costs.
#include <gtest/gtest.h>

#include "platform/commctrl.h"
#include "tests/widgets/widget_fixture.h"
#include "widgets/caption_bar.h"
#include "widgets/progress_window.h"

namespace {

using widget_test::OnScreen;

const int kLeft = (1280 - 440) / 2, kTop = 224;

class InstallerProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    skins_ = widget_test::LoadBuiltLibrary("dlls/tovu.dll");
    ASSERT_NE(skins_, nullptr);
    InitCaptionBar(skins_);
    RegisterProgressWindowClass();
    owner_ = widget_test::CreateHost(kLeft, kTop, 440, 551, u"WENLU Installer");
  }
  void TearDown() override {
    DestroyWindow(owner_);
    InitCaptionBar(nullptr);
    FreeLibrary(skins_);
  }
  test::HeadlessScreen screen_{platform::ScreenKind::Desktop};
  HMODULE skins_ = nullptr;
  HWND owner_ = nullptr;
};

TEST_F(InstallerProgressTest, LargerPanelDisablesItsOwnerWhileOpen) {
  ProgressWindow p;
  p.Open(owner_, u"Converting Dictionary File....", 1000);
  EXPECT_FALSE(IsWindowEnabled(owner_));
  RECT r = widget_test::WindowRectOf(p.window);
  EXPECT_EQ(r.left - kLeft, (440 - 290) / 2);
  EXPECT_EQ(r.top - kTop, (551 - 125) / 2);
  EXPECT_EQ(r.right - r.left, 290);
  EXPECT_EQ(r.bottom - r.top, 125);
  RECT bar = widget_test::WindowRectOf(p.bar);
  EXPECT_EQ(bar.left - r.left, 20);
  EXPECT_EQ(bar.top - r.top, 55);
  EXPECT_EQ(bar.right - bar.left, 248);
  EXPECT_EQ(bar.bottom - bar.top, 21);
  EXPECT_TRUE(test::PixelIs(r.left, r.top + 60, RGB(128, 128, 128)));  // the grey frame
  p.SetPosition(500);
  test::RunUntilIdle();
  // The bar in light grey on white.
  EXPECT_TRUE(widget_test::ScreenHasColour(RECT{bar.left, bar.top, bar.left + 60, bar.bottom}, RGB(192, 192, 192), 0));
  EXPECT_TRUE(test::PixelIs(bar.right - 10, (bar.top + bar.bottom) / 2, RGB(255, 255, 255)));
  p.Close();
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(InstallerProgressTest, EveryPositionWaitsTenMilliseconds) {
  ProgressWindow p;
  p.Open(owner_, u"Transfering dictionary file....", 100);
  DWORD before = test::Now();
  p.SetPosition(10);
  p.SetPosition(20);
  EXPECT_EQ(test::Now() - before, 20u);
  EXPECT_EQ(SendMessageW(p.bar, PBM_GETPOS, 0, 0), 20);
  p.Close();
}

TEST_F(InstallerProgressTest, AtZeroAndThirtySevenPercentMatchTheGoldens) {
  ProgressWindow p;
  p.Open(owner_, u"Converting Dictionary File....", 100);
  test::RunUntilIdle();
  RECT r = widget_test::WindowRectOf(p.window);
  EXPECT_TRUE(test::MatchesGolden("widgets/installer/progress_0.png",
                                  widget_test::ScreenPart(r.left - 20, r.top - 20, 330, 165)));
  p.SetPosition(37);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/installer/progress_37.png",
                                  widget_test::ScreenPart(r.left - 20, r.top - 20, 330, 165)));
  p.Close();
}

}  // namespace
