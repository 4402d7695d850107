// The message box's answers, sizes, placement and modal wait, driven by input scheduled on
// the virtual clock while the box waits in its own loop; and the label.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/widgets/widget_fixture.h"
#include "widgets/caption_bar.h"
#include "widgets/label.h"
#include "widgets/message_box.h"
#include "widgets/text_button.h"

namespace {

using widget_test::OnScreen;

// Runs `act` with the open box `ms` after the next box opens (a thread timer, which the
// box's loop dispatches).
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

struct Seen {
  RECT box{};
  std::vector<HWND> buttons;
  HWND focus = nullptr;
  BOOL ownerEnabled = TRUE;
};

BOOL CALLBACK CollectButton(HWND w, LPARAM p) {
  WCHAR name[64];
  GetClassNameW(w, name, 64);
  if (lstrcmpW(name, u"ButtonClassWndClass") == 0) reinterpret_cast<Seen*>(p)->buttons.push_back(w);
  return TRUE;
}

Seen Look(HWND box, HWND owner) {
  Seen s;
  GetWindowRect(box, &s.box);
  EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&s));
  // Left to right: Yes before No.
  std::sort(s.buttons.begin(), s.buttons.end(),
            [](HWND a, HWND b) { return widget_test::WindowRectOf(a).left < widget_test::WindowRectOf(b).left; });
  s.focus = GetFocus();
  s.ownerEnabled = IsWindowEnabled(owner);
  return s;
}

void TapWindow(HWND w, int x, int y, DWORD after = 10) {
  POINT p = OnScreen(w, x, y);
  test::ScheduleTap(after, p.x, p.y);
}

int TextBottom(const WCHAR* text) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{54, 26, 190, 1000};
  DrawTextW(dc, text, -1, &r, DT_WORDBREAK | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return r.bottom;
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    skins_ = widget_test::LoadBuiltLibrary("tovu.dll");
    pictures_ = widget_test::LoadBuiltLibrary("zorwen.dll");
    ASSERT_NE(skins_, nullptr);
    ASSERT_NE(pictures_, nullptr);
    RegisterTextButtonClass(skins_);
    InitCaptionBar(skins_);
    SetMessageBoxPictureLibrary(pictures_);
    owner_ = widget_test::CreateHost(0, 26, 240, 268, u"Dictionary");
    platform::headless::ClearRecords();
  }
  void TearDown() override {
    g_act = nullptr;
    if (IsWindow(owner_)) DestroyWindow(owner_);
    SetMessageBoxPictureLibrary(nullptr);
    InitCaptionBar(nullptr);
    RegisterTextButtonClass(nullptr);
    FreeLibrary(pictures_);
    FreeLibrary(skins_);
  }
  test::HeadlessScreen screen_;
  HMODULE skins_ = nullptr, pictures_ = nullptr;
  HWND owner_ = nullptr;
};

TEST_F(MessageBoxTest, WithoutOwnerReturnsMinusOneAndShowsNothing) {
  EXPECT_EQ(ShowMessageBox(nullptr, u"Nobody", 1), -1);
  HWND gone = widget_test::CreateHost(0, 0, 10, 10);
  DestroyWindow(gone);
  EXPECT_EQ(ShowMessageBox(gone, u"Nobody", 2), -1);
  EXPECT_EQ(FindWindowW(u"MyMessageBox", nullptr), nullptr);
  EXPECT_EQ(widget_test::SoundsPlayed(u".wav"), 0);
}

TEST_F(MessageBoxTest, OkBoxAnswersTwoAndRestoresItsOwner) {
  Seen seen;
  WhenOpen(100, [&](HWND box) {
    seen = Look(box, owner_);
    ASSERT_EQ(seen.buttons.size(), 1u);
    TapWindow(seen.buttons[0], 10, 10);
  });
  EXPECT_EQ(ShowMessageBox(owner_, u"Installation of the dictionary file is complete.", 1), 2);
  EXPECT_EQ(seen.focus, seen.buttons[0]);
  EXPECT_FALSE(seen.ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(FindWindowW(u"MyMessageBox", nullptr), nullptr);
  EXPECT_EQ(widget_test::SoundsPlayed(u"res/0.wav"), 1);
  // Each caption bar and button went with the box.
  EXPECT_FALSE(IsWindow(seen.buttons[0]));
}

TEST_F(MessageBoxTest, TypeModuloTenTwoGivesYesAndNo) {
  for (int type : {2, 12}) {
    for (int answerNo : {0, 1}) {
      Seen seen;
      WhenOpen(50, [&](HWND box) {
        seen = Look(box, owner_);
        ASSERT_EQ(seen.buttons.size(), 2u);
        TapWindow(seen.buttons[answerNo], 8, 8);
      });
      EXPECT_EQ(ShowMessageBox(owner_, u"Click 'Yes' to start anyway.", type), answerNo ? 1 : 2) << type;
    }
  }
  for (int type : {0, 1, 3, 22 + 1}) {
    Seen seen;
    WhenOpen(50, [&](HWND box) {
      seen = Look(box, owner_);
      if (!seen.buttons.empty()) TapWindow(seen.buttons[0], 8, 8);
    });
    EXPECT_EQ(ShowMessageBox(owner_, u"OK only", type), 2);
    EXPECT_EQ(seen.buttons.size(), 1u) << type;
  }
}

TEST_F(MessageBoxTest, ButtonsSitWhereTheLayoutPutsThem) {
  const WCHAR* text = u"One line";
  RECT yes{}, no{}, box{};
  WhenOpen(50, [&](HWND b) {
    Seen s = Look(b, owner_);
    box = s.box;
    yes = widget_test::WindowRectOf(s.buttons[0]);
    no = widget_test::WindowRectOf(s.buttons[1]);
    TapWindow(s.buttons[1], 5, 5);
  });
  ShowMessageBox(owner_, text, 2);
  int h = TextBottom(text) + 52;
  int y = h % 2 == 0 ? h - 31 : h - 30;
  EXPECT_EQ(yes.left - box.left, 45);
  EXPECT_EQ(no.left - box.left, 115);
  EXPECT_EQ(yes.top - box.top, y);
  EXPECT_EQ(no.top - box.top, y);
  EXPECT_EQ(yes.bottom - yes.top, 22);
}

TEST_F(MessageBoxTest, SizeFollowsTheWrappedTextAndTheBoxIsCentredOnItsOwner) {
  const WCHAR* texts[] = {
      u"Short.",
      u"Neither the Simplified or Traditional CEDICT dictionary databases could be found.\n\nClick OK to see "
      u"installation instructions.",
  };
  for (const WCHAR* text : texts) {
    RECT box{};
    WhenOpen(50, [&](HWND b) {
      Seen s = Look(b, owner_);
      box = s.box;
      TapWindow(s.buttons[0], 5, 5);
    });
    ShowMessageBox(owner_, text, 1);
    int h = TextBottom(text) + 52;
    EXPECT_EQ(box.right - box.left, 210);
    EXPECT_EQ(box.bottom - box.top, h);
    EXPECT_EQ(box.left, (240 - 210) / 2);
    EXPECT_EQ(box.top, 26 + (268 - h) / 2);
  }
  EXPECT_GT(TextBottom(texts[1]), TextBottom(texts[0]) + 40);
}

TEST_F(MessageBoxTest, CloseBoxAnswersZero) {
  WhenOpen(50, [&](HWND b) {
    RECT r;
    GetClientRect(b, &r);
    TapWindow(b, r.right - 15, 10);
  });
  EXPECT_EQ(ShowMessageBox(owner_, u"Close me", 2), 0);
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(MessageBoxTest, EnterOnTheFocusedFirstButtonAnswers) {
  WhenOpen(50, [&](HWND) { test::ScheduleKey(10, VK_RETURN); });
  DWORD before = test::Now();
  EXPECT_EQ(ShowMessageBox(owner_, u"Yes?", 2), 2);
  EXPECT_GE(test::Now() - before, 200u);
}

int g_hostTicks = 0;
void CALLBACK HostTick(HWND, UINT, UINT_PTR, DWORD) { ++g_hostTicks; }

TEST_F(MessageBoxTest, OtherTimersRunDuringTheWait) {
  g_hostTicks = 0;
  SetTimer(owner_, 7, 100, HostTick);
  WhenOpen(1000, [&](HWND b) { TapWindow(Look(b, owner_).buttons[0], 5, 5); });
  ShowMessageBox(owner_, u"Waiting", 1);
  KillTimer(owner_, 7);
  EXPECT_GE(g_hostTicks, 9);
}

TEST_F(MessageBoxTest, SecondBoxFromAHandlerIsRefusedAndTheFirstGoesOn) {
  int nested = 99;
  Seen before, after;
  WhenOpen(50, [&](HWND box) {
    before = Look(box, owner_);
    nested = ShowMessageBox(owner_, u"Second", 2);
    after = Look(box, owner_);
    TapWindow(after.buttons[1], 5, 5);
  });
  EXPECT_EQ(ShowMessageBox(owner_, u"First", 2), 1);
  EXPECT_EQ(nested, -1);
  EXPECT_EQ(after.buttons, before.buttons);
  EXPECT_TRUE(EqualRect(&after.box, &before.box));
  EXPECT_FALSE(after.ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  // Afterwards boxes open again.
  WhenOpen(50, [&](HWND b) { TapWindow(Look(b, owner_).buttons[0], 5, 5); });
  EXPECT_EQ(ShowMessageBox(owner_, u"Third", 1), 2);
}

TEST_F(MessageBoxTest, OwnerDestroyedDuringTheWaitEndsIt) {
  WhenOpen(50, [&](HWND) { DestroyWindow(owner_); });
  EXPECT_EQ(ShowMessageBox(owner_, u"Owner goes away", 2), 0);
  EXPECT_EQ(FindWindowW(u"MyMessageBox", nullptr), nullptr);
}

TEST_F(MessageBoxTest, QuitDuringTheWaitEndsItAndStaysForTheProgramLoop) {
  WhenOpen(50, [&](HWND) { PostQuitMessage(5); });
  EXPECT_EQ(ShowMessageBox(owner_, u"Quit", 1), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(MessageBoxTest, PictureComesFromThePictureLibraryOrIsLeftBlank) {
  for (int type : {1, 2}) {
    platform::Surface picture = widget_test::LibraryBitmap(pictures_, type == 2 ? 13465 : 13466);
    bool shown = false;
    WhenOpen(50, [&](HWND b) {
      POINT p = OnScreen(b, 12, 30);
      shown = widget_test::ScreenShows(p.x, p.y, picture, 0, 0, 32, 32);
      TapWindow(Look(b, owner_).buttons[0], 5, 5);
    });
    ShowMessageBox(owner_, u"Picture", type);
    EXPECT_TRUE(shown) << type;
  }
  SetMessageBoxPictureLibrary(nullptr);
  bool blank = false;
  WhenOpen(50, [&](HWND b) {
    POINT p = OnScreen(b, 12, 30);
    blank = test::PixelIs(p.x + 16, p.y + 15, RGB(255, 255, 255)) && test::PixelIs(p.x + 16, p.y + 16,
                                                                                  RGB(220, 220, 220));
    TapWindow(Look(b, owner_).buttons[0], 5, 5);
  });
  ShowMessageBox(owner_, u"No picture", 1);
  EXPECT_TRUE(blank);
}

TEST_F(MessageBoxTest, OkAndYesNoBoxesMatchTheGoldens) {
  struct Case {
    const WCHAR* text;
    int type;
    const char* golden;
  } cases[] = {
      {u"The Simplified (GB) CEDICT dictionary database can not be found.\n\nPlease see the help file for "
       u"instructions.",
       1, "widgets/message_box_ok.png"},
      {u"This Dictionary is designed to run on a device with a 240x320 pixel screen!\n\nClick 'Yes' to start "
       u"anyway. Click 'No' to exit.",
       2, "widgets/message_box_yes_no.png"},
  };
  for (const Case& c : cases) {
    ::testing::AssertionResult matched = ::testing::AssertionFailure();
    WhenOpen(200, [&](HWND b) {
      matched = test::MatchesGolden(c.golden);
      TapWindow(Look(b, owner_).buttons[0], 5, 5);
    });
    ShowMessageBox(owner_, c.text, c.type);
    EXPECT_TRUE(matched);
  }
}

// ---- label

class LabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    RegisterLabelClass();
    host_ = widget_test::CreateHost(0, 26, 240, 268);
  }
  void TearDown() override {
    for (LabelControl* l : labels_) DestroyLabel(l);
    DestroyWindow(host_);
  }
  LabelControl* Label(int x, int y, const WCHAR* text, int size = 11) {
    LabelControl* l = CreateLabel(host_, x, y, text, size);
    labels_.push_back(l);
    test::RunUntilIdle();
    return l;
  }
  test::HeadlessScreen screen_;
  HWND host_ = nullptr;
  std::vector<LabelControl*> labels_;
};

// A new label is measured in the default quality, a changed one antialiased.
SIZE Measure(const WCHAR* text, int size, DWORD quality) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-size, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, quality, 0, u"Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE s{};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &s);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return s;
}

TEST_F(LabelTest, TakesItsTextsSizeAndResizesOnNewTextInPlace) {
  LabelControl* l = Label(13, 166, u"(No search results)");
  SIZE first = Measure(u"(No search results)", 11, DEFAULT_QUALITY);
  RECT r = widget_test::WindowRectOf(l->window);
  POINT at = OnScreen(host_, 13, 166);
  EXPECT_EQ(r.left, at.x);
  EXPECT_EQ(r.top, at.y);
  EXPECT_EQ(r.right - r.left, first.cx);
  EXPECT_EQ(r.bottom - r.top, first.cy);
  EXPECT_TRUE(widget_test::ScreenHasColour(r, RGB(0, 0, 128), 40));

  SetLabelText(l, u"(27 seach results)");
  test::RunUntilIdle();
  r = widget_test::WindowRectOf(l->window);
  SIZE second = Measure(u"(27 seach results)", 11, ANTIALIASED_QUALITY);
  EXPECT_EQ(r.left, at.x);
  EXPECT_EQ(r.top, at.y);
  EXPECT_EQ(r.right - r.left, second.cx);
  EXPECT_EQ(lstrcmpW(l->text, u"(27 seach results)"), 0);
  // The part the shorter label gave up shows the host's hatching again.
  ASSERT_LT(second.cx, first.cx);
  EXPECT_TRUE(test::PixelIs(at.x + first.cx - 1, at.y + 1, RGB(255, 255, 255)));
  EXPECT_TRUE(test::PixelIs(at.x + first.cx - 1, at.y, RGB(220, 220, 220)));

  std::u16string longText(2000, u'w');
  SetLabelText(l, longText.c_str());
  EXPECT_EQ(lstrlenW(l->text), 2000);
  SetLabelText(l, u"");
  test::RunUntilIdle();
  EXPECT_EQ(l->width, 0);
  SetLabelText(l, nullptr);
  EXPECT_EQ(lstrlenW(l->text), 0);
}

TEST_F(LabelTest, LabelsMatchTheGolden) {
  Label(13, 166, u"(No search results)");
  LabelControl* l = Label(13, 186, u"(No search results)");
  SetLabelText(l, u"(One search result)");
  Label(13, 206, u"Larger 16", 16);
  test::RunUntilIdle();
  EXPECT_TRUE(test::MatchesGolden("widgets/label.png"));
}

}  // namespace
