// The installer's variants of the text button, explanation tip, caption bar and message box
// (built with ORLEND_INSTALLER_VARIANT), on the headless desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "platform/mmsystem.h"
#include "tests/widgets/widget_fixture.h"
#include "widgets/caption_bar.h"
#include "widgets/message_box.h"
#include "widgets/text_button.h"

namespace {

using widget_test::OnScreen;
using widget_test::ScreenShows;

// Where the installer puts its 440 x 551 window on the headless desktop.
const int kLeft = (1280 - 440) / 2, kTop = 224;

int g_clicks = 0, g_presses = 0;
void Clicked() { ++g_clicks; }
void Pressed() { ++g_presses; }

HFONT CaptionFont(int size) {
  return CreateFontW(-size, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Tahoma");
}

SIZE Measure(const WCHAR* text, int size) {
  HDC dc = GetDC(nullptr);
  HFONT font = CaptionFont(size);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE s{};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &s);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return s;
}

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    skins_ = widget_test::LoadBuiltLibrary("dlls/tovu.dll");
    ASSERT_NE(skins_, nullptr) << "the installer's skin library is built by skin_library_installer";
    RegisterTextButtonClass(skins_);
    InitCaptionBar(skins_);
    faces_ = widget_test::LibraryBitmap(skins_, 4);
    host_ = widget_test::CreateHost(kLeft, kTop, 440, 551, u"WENLU Installer");
    g_clicks = g_presses = 0;
    platform::headless::ClearRecords();
  }
  void TearDown() override {
    for (TextButton* b : buttons_) delete b;
    if (IsWindow(host_)) DestroyWindow(host_);
    InitCaptionBar(nullptr);
    RegisterTextButtonClass(nullptr);
    FreeLibrary(skins_);
  }
  TextButton* Button(int x, int y, const WCHAR* caption, const WCHAR* explanation,
                     TextButtonHandler press = nullptr) {
    TextButton* b = new TextButton(host_, x, y, caption, 12, press, Clicked, explanation, 0);
    buttons_.push_back(b);
    test::RunUntilIdle();
    return b;
  }
  ::testing::AssertionResult ShowsFace(TextButton* b, int f) {
    POINT p = OnScreen(b->window, 0, 0);
    ::testing::AssertionResult left = ScreenShows(p.x, p.y, faces_, f, 0, 10, 24);
    if (!left) return left;
    return ScreenShows(p.x + b->width - 10, p.y, faces_, f + 24, 0, 10, 24);
  }
  platform::Surface Window() { return widget_test::ScreenPart(kLeft, kTop, 440, 551); }

  test::HeadlessScreen screen_{platform::ScreenKind::Desktop};
  HMODULE skins_ = nullptr;
  platform::Surface faces_;
  HWND host_ = nullptr;
  std::vector<TextButton*> buttons_;
};

TEST_F(InstallerTest, ButtonIsTwentyFourHighWithFacesAtThirtyFourPixelPitch) {
  TextButton* b = Button(75, 304, u"Locate", u"Click to locate the dictionary file.");
  EXPECT_EQ(b->width, Measure(u"Locate", 12).cx + 28);
  EXPECT_EQ(b->height, 24);
  EXPECT_EQ(b->state, 0);
  EXPECT_EQ(b->sounds, 0);
  EXPECT_TRUE(ShowsFace(b, 0));
  POINT p = OnScreen(b->window, 20, 12);
  test::StylusMove(p.x, p.y);
  EXPECT_EQ(b->state, 1);
  EXPECT_TRUE(ShowsFace(b, 34));
  test::StylusDown(p.x, p.y);
  EXPECT_EQ(b->state, 2);
  EXPECT_EQ(GetCapture(), nullptr);  // the installer's buttons do not capture
  EXPECT_TRUE(ShowsFace(b, 68));
  test::StylusUp(p.x, p.y);
  EXPECT_EQ(b->state, 1);
  EXPECT_EQ(g_clicks, 1);
  b->SetEnabled(0);
  test::RunUntilIdle();
  EXPECT_TRUE(ShowsFace(b, 102));
  EXPECT_EQ(widget_test::SoundsPlayed(u".wav"), 0);
}

TEST_F(InstallerTest, HoverShowsTheTipAfterASecondAndLeavingEndsIt) {
  TextButton* b = Button(75, 304, u"Locate", u"Click to locate the dictionary file.");
  POINT p = OnScreen(b->window, 20, 12);
  test::StylusMove(p.x, p.y);
  test::Advance(1000);
  EXPECT_EQ(b->hover.popup, nullptr);
  test::Advance(30);
  ASSERT_NE(b->hover.popup, nullptr);
  HWND tip = b->hover.popup;
  WCHAR name[32];
  GetClassNameW(tip, name, 32);
  EXPECT_EQ(std::u16string(name), u"PopupExplain");
  EXPECT_TRUE(GetWindowLongW(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(GetActiveWindow(), tip);
  RECT r = widget_test::WindowRectOf(tip);
  EXPECT_EQ(r.right, p.x);
  EXPECT_EQ(r.bottom, p.y);
  EXPECT_TRUE(test::PixelIs(r.left, r.top, RGB(0, 0, 0)));
  EXPECT_TRUE(test::PixelIs(r.right - 1, r.bottom - 1, RGB(0, 0, 0)));
  EXPECT_TRUE(test::PixelIs(r.left + 2, r.top + 1, RGB(255, 255, 230)));

  test::StylusMove(p.x + 300, p.y);
  test::Advance(20);
  EXPECT_FALSE(IsWindow(tip));
  EXPECT_EQ(b->state, 0);
  EXPECT_TRUE(ShowsFace(b, 0));
}

TEST_F(InstallerTest, ButtonsWithoutExplanationOrFlashingShowNoTip) {
  TextButton* plain = Button(75, 304, u"Plain", nullptr);
  POINT p = OnScreen(plain->window, 20, 12);
  test::StylusMove(p.x, p.y);
  test::Advance(2000);
  EXPECT_EQ(plain->hover.popup, nullptr);
  test::StylusMove(p.x + 300, p.y);
  test::Advance(20);

  TextButton* flashing = Button(75, 390, u"Process", u"Click to process the dictionary file.");
  flashing->SetFlashing(1);
  POINT q = OnScreen(flashing->window, 20, 12);
  test::StylusMove(q.x, q.y);
  test::Advance(2000);
  EXPECT_EQ(flashing->hover.popup, nullptr);
}

TEST_F(InstallerTest, TipStaysOnTheScreenNearItsTopLeftCorner) {
  DestroyWindow(host_);
  host_ = widget_test::CreateHost(0, 0, 440, 551);
  TextButton* b = Button(2, 2, u"Exit", u"Click to close this application.");
  POINT p = OnScreen(b->window, 8, 6);
  test::StylusMove(p.x, p.y);
  test::Advance(1100);
  ASSERT_NE(b->hover.popup, nullptr);
  RECT r = widget_test::WindowRectOf(b->hover.popup);
  EXPECT_EQ(r.left, p.x);
  EXPECT_EQ(r.top, p.y);
}

TEST_F(InstallerTest, FlashingBlinksEveryFourHundredMillisecondsUntilAClick) {
  TextButton* b = Button(75, 304, u"Locate", u"Click to locate the dictionary file.");
  b->SetEnabled(0);
  b->SetFlashing(1);
  EXPECT_EQ(b->enabled, 1);
  EXPECT_EQ(GetFocus(), b->window);
  EXPECT_EQ(b->flashPhase, 1);
  POINT o = OnScreen(b->window, 0, 0);
  RECT face{o.x, o.y, o.x + b->width, o.y + 24};
  test::Advance(399);
  EXPECT_EQ(b->flashPhase, 1);
  test::Advance(2);
  EXPECT_EQ(b->flashPhase, 2);
  EXPECT_TRUE(widget_test::ScreenHasColour(face, RGB(0, 0, 255), 40));
  test::Advance(400);
  EXPECT_EQ(b->flashPhase, 1);
  EXPECT_FALSE(widget_test::ScreenHasColour(face, RGB(0, 0, 255), 40));
  b->SetFlashing(1);  // already flashing: the rhythm is kept
  EXPECT_EQ(b->flashPhase, 1);

  // While hovered the phase holds.
  POINT p = OnScreen(b->window, 20, 12);
  test::StylusMove(p.x, p.y);
  int held = b->flashPhase;
  test::Advance(1200);
  EXPECT_EQ(b->flashPhase, held);
  test::Tap(p.x, p.y);
  EXPECT_EQ(g_clicks, 1);
  EXPECT_EQ(b->flashPhase, 0);
  test::StylusMove(p.x + 300, p.y);
  test::Advance(2000);
  EXPECT_EQ(b->flashPhase, 0);
}

TEST_F(InstallerTest, PressStopsFlashingOnlyWithAPressAction) {
  TextButton* without = Button(75, 304, u"Locate", nullptr);
  TextButton* with = Button(75, 390, u"Process", nullptr, Pressed);
  without->SetFlashing(1);
  with->SetFlashing(1);
  POINT a = OnScreen(without->window, 20, 12), b = OnScreen(with->window, 20, 12);
  test::StylusDown(a.x, a.y);
  test::StylusMove(a.x + 300, a.y);
  test::StylusUp(a.x + 300, a.y);
  test::StylusDown(b.x, b.y);
  test::StylusMove(b.x + 300, b.y);
  test::StylusUp(b.x + 300, b.y);
  EXPECT_EQ(g_presses, 1);
  EXPECT_EQ(g_clicks, 0);
  int phaseWith = with->flashPhase, phaseWithout = without->flashPhase;
  test::Advance(1200);
  EXPECT_EQ(with->flashPhase, phaseWith);       // its timer is gone
  EXPECT_NE(without->flashPhase, 0);
  (void)phaseWithout;
  without->SetFlashing(0);
  EXPECT_EQ(without->flashPhase, 0);
  test::Advance(1000);
  EXPECT_EQ(without->flashPhase, 0);
}

TEST_F(InstallerTest, EnterClicksWithoutThePressAndStopsFlashing) {
  TextButton* b = Button(75, 304, u"Locate", nullptr, Pressed);
  b->SetFlashing(1);
  DWORD before = test::Now();
  test::Key(VK_RETURN);
  EXPECT_EQ(test::Now(), before);  // no press animation
  EXPECT_EQ(g_clicks, 1);
  EXPECT_EQ(g_presses, 0);
  EXPECT_EQ(b->flashPhase, 0);
  EXPECT_EQ(b->state, 0);
}

TEST_F(InstallerTest, ButtonStatesMatchTheGolden) {
  TextButton* normal = Button(75, 304, u"Locate", u"Click to locate the dictionary file.");
  TextButton* flashing = Button(75, 390, u"Process", nullptr);
  Button(75, 476, u"Transfer", nullptr)->SetEnabled(0);
  TextButton* pressed = Button(372, 518, u"Exit", nullptr);
  Button(300, 200, u"Hover", u"Click to locate the dictionary file.");
  flashing->SetFlashing(1);
  test::Advance(401);
  ASSERT_EQ(flashing->flashPhase, 2);
  POINT e = OnScreen(pressed->window, 15, 12);
  test::StylusDown(e.x, e.y);
  POINT h = OnScreen(buttons_.back()->window, 20, 12);
  test::StylusMove(h.x, h.y);
  test::Advance(1050);
  ASSERT_NE(buttons_.back()->hover.popup, nullptr);
  (void)normal;
  EXPECT_TRUE(test::MatchesGolden("widgets/installer/text_button.png", Window()));
}

// ---- caption bar

LRESULT CALLBACK CaptionHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CaptionBar* bar = reinterpret_cast<CaptionBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      FillHatched(dc, 0, 0, 440, 60, 1);
      if (bar) bar->Draw(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (bar) bar->MouseMove(lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (bar) bar->ButtonDown(lParam);
      return 0;
    case WM_LBUTTONUP:
      if (bar) bar->ButtonUp(lParam);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(InstallerTest, CaptionBarDrawsItsBandEdgeToEdgeAndDragsTheWindow) {
  ASSERT_TRUE(test::RegisterTestClass(u"InstallerCaptionHost", CaptionHostProc));
  HWND w = CreateWindowExW(0, u"InstallerCaptionHost", u"WENLU Installer", WS_POPUP | WS_VISIBLE, 100, 100, 440, 60,
                           nullptr, nullptr, nullptr, nullptr);
  CaptionBar bar(w, 440, 20, u"WENLU Installer");
  SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&bar));
  InvalidateRect(w, nullptr, TRUE);
  test::RunUntilIdle();
  platform::Surface band = widget_test::LibraryBitmap(skins_, 810);
  EXPECT_TRUE(ScreenShows(100, 100, band, 0, 0, 5, 20));
  EXPECT_TRUE(ScreenShows(100 + 436, 100, band, 5, 0, 4, 20));
  EXPECT_TRUE(ScreenShows(100 + 300, 100, band, 5, 0, 1, 20));
  RECT closeBox{100 + 415, 104, 100 + 434, 118};
  EXPECT_TRUE(EqualRect(&bar.closeBox, &(const RECT&)RECT{415, 4, 434, 18}));
  (void)closeBox;
  // No icon: the title starts at x 8.
  RECT title{100 + 8, 102, 100 + 20, 116};
  EXPECT_TRUE(widget_test::ScreenHasColour(title, RGB(128, 128, 128), 60));
  EXPECT_TRUE(ScreenShows(100 + 5, 105, band, 5, 5, 1, 1));

  // A press on the caption row hands the window to the platform's move loop.
  auto queue = [](DWORD at, platform::InputEvent::Kind kind, int x, int y) {
    platform::InputEvent e;
    e.kind = kind;
    e.point = POINT{x, y};
    platform::headless::Queue(at, e);
  };
  DWORD now = test::Now();
  queue(now, platform::InputEvent::Kind::StylusDown, 250, 110);
  queue(now + 10, platform::InputEvent::Kind::StylusMove, 270, 140);
  queue(now + 20, platform::InputEvent::Kind::StylusMove, 290, 150);
  queue(now + 30, platform::InputEvent::Kind::StylusUp, 290, 150);
  test::Advance(50);
  RECT moved = widget_test::WindowRectOf(w);
  EXPECT_EQ(moved.left, 140);
  EXPECT_EQ(moved.top, 140);
  EXPECT_EQ(bar.titleState, 2);
  SetWindowLongPtrW(w, GWLP_USERDATA, 0);
  DestroyWindow(w);
}

// ---- message box

std::function<void(HWND)> g_act;
void CALLBACK ActTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto act = std::move(g_act);
  g_act = nullptr;
  if (act) act(FindWindowW(u"MyMessageBox", nullptr));
}
void WhenOpen(DWORD ms, std::function<void(HWND)> act) {
  g_act = std::move(act);
  SetTimer(nullptr, 0, ms, ActTimer);
}

BOOL CALLBACK CollectButton(HWND w, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}
std::vector<HWND> ButtonsOf(HWND box) {
  std::vector<HWND> v;
  EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&v));
  std::sort(v.begin(), v.end(),
            [](HWND a, HWND b) { return widget_test::WindowRectOf(a).left < widget_test::WindowRectOf(b).left; });
  return v;
}

struct BoxLayout {
  int width, height, buttonsY;
};
BoxLayout Expected(const std::u16string& text) {
  int widest = 0, lines = 0, lineHeight = 0;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(u'\n', start);
    std::u16string line = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    SIZE s = Measure(line.c_str(), 12);
    widest = std::max<int>(widest, s.cx);
    lineHeight = std::max<int>(lineHeight, s.cy);
    ++lines;
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  int even = (lines - 1) * lineHeight + 104;
  if (even % 2) ++even;
  return {std::max(260, widest + 110), even + 1, even - 32};
}

TEST_F(InstallerTest, MessageBoxWidthFollowsItsWidestLineAndItsHeightIsOdd) {
  const std::u16string texts[] = {
      u"Installation of the dictionary file is complete.",
      u"The dictionary file first needs to be unzipped\nbefore it can be processed and transfered\nto your Pocket PC "
      u"device.",
      u"A single line that is long enough to make the installer's box much wider than its smallest width",
  };
  for (const std::u16string& text : texts) {
    for (int type : {1, 2}) {
      RECT box{};
      std::vector<RECT> buttons;
      WhenOpen(50, [&](HWND b) {
        GetWindowRect(b, &box);
        for (HWND w : ButtonsOf(b)) buttons.push_back(widget_test::WindowRectOf(w));
        if (!buttons.empty()) {
          POINT p = OnScreen(ButtonsOf(b)[0], 5, 5);
          test::ScheduleTap(10, p.x, p.y);
        }
      });
      EXPECT_EQ(ShowMessageBox(host_, text.c_str(), type), 2);
      BoxLayout want = Expected(text);
      int w = box.right - box.left;
      EXPECT_EQ(w, want.width);
      EXPECT_EQ(box.bottom - box.top, want.height);
      EXPECT_EQ((box.bottom - box.top) % 2, 1);
      EXPECT_EQ(box.left, kLeft + (440 - w) / 2);
      ASSERT_EQ(buttons.size(), type == 2 ? 2u : 1u);
      for (const RECT& r : buttons) {
        EXPECT_EQ(r.top - box.top, want.buttonsY);
        EXPECT_EQ(r.bottom - r.top, 24);
      }
      if (type == 2) {
        EXPECT_EQ(buttons[0].left - box.left, w / 2 - 60);
        EXPECT_EQ(buttons[1].left - box.left, w / 2 + 10);
      } else {
        EXPECT_EQ(buttons[0].left - box.left, (w - 50) / 2);
      }
    }
  }
  EXPECT_GT(Expected(texts[2]).width, 260);
  EXPECT_EQ(Expected(texts[0]).width, std::max(260, static_cast<int>(Measure(texts[0].c_str(), 12).cx) + 110));
}

TEST_F(InstallerTest, MessageBoxSoundIsRelativeToTheCurrentFolderAndCloseBoxAnswersZero) {
  WhenOpen(50, [&](HWND b) {
    RECT r;
    GetClientRect(b, &r);
    POINT p = OnScreen(b, r.right - 15, 10);
    test::ScheduleTap(10, p.x, p.y);
  });
  EXPECT_EQ(ShowMessageBox(host_, u"Close", 2), 0);
  bool relative = false;
  for (const auto& r : platform::headless::Records())
    if (r.call == "PlaySound" && r.text == u"res/0.wav" && (r.flags & SND_ASYNC)) relative = true;
  EXPECT_TRUE(relative);
}

TEST_F(InstallerTest, MessageBoxesMatchTheGoldens) {
  struct Case {
    const WCHAR* text;
    int type;
    const char* golden;
  } cases[] = {
      {u"The dictionary file first needs to be unzipped\nbefore it can be processed and transfered\nto your Pocket PC "
       u"device.",
       1, "widgets/installer/message_box_ok.png"},
      {u"Replace the dictionary file on the device?", 2, "widgets/installer/message_box_yes_no.png"},
  };
  for (const Case& c : cases) {
    ::testing::AssertionResult matched = ::testing::AssertionFailure();
    WhenOpen(200, [&](HWND b) {
      matched = test::MatchesGolden(c.golden, Window());
      POINT p = OnScreen(ButtonsOf(b)[0], 5, 5);
      test::ScheduleTap(10, p.x, p.y);
    });
    ShowMessageBox(host_, c.text, c.type);
    EXPECT_TRUE(matched);
  }
}

}  // namespace
