// The installer's window through scripted clicks on the headless desktop: its parts, the
// state table, and the transfer against the remote API stand-in and a temporary handheld.
#include "installer_window_fixture.h"

#include "installer/device_transfer.h"
#include "installer/installer_steps.h"
#include "installer/steps_panel.h"
#include "platform/gdi_bridge.h"
#include "platform/winresource.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

const std::vector<int> kStart{kFlashing, kDisabled, kDisabled, kEnabled};
const std::vector<int> kRejected{kEnabled, kDisabled, kDisabled, kEnabled};
const std::vector<int> kLocated{kDisabled, kFlashing, kDisabled, kEnabled};
const std::vector<int> kProcessed{kDisabled, kDisabled, kFlashing, kEnabled};
const std::vector<int> kInstalled{kDisabled, kDisabled, kDisabled, kFlashing};

COLORREF WindowPixel(int x, int y) { return test::PixelAt(kLeft + x, kTop + y); }

// Whether the window shows the banner file of the current folder at (38, 25).
::testing::AssertionResult ShowsBanner() {
  HBITMAP banner = static_cast<HBITMAP>(LoadImageW(nullptr, u"graphic.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (!banner) return ::testing::AssertionFailure() << "no graphic.bmp";
  const platform::Surface picture = *platform::SurfaceOfBitmap(banner);
  DeleteObject(banner);
  if (picture.width() != 340 || picture.height() != 102)
    return ::testing::AssertionFailure() << "banner " << picture.width() << " x " << picture.height();
  const platform::Surface screen = platform::headless::Snapshot();  // one copy, not one per pixel
  for (int y = 0; y < 102; y += 3)
    for (int x = 0; x < 340; x += 5)
      if (platform::ColorrefFromPixel(screen.pixel(kLeft + 38 + x, kTop + 25 + y)) !=
          platform::ColorrefFromPixel(picture.pixel(x, y)))
        return ::testing::AssertionFailure() << "differs at " << x << ", " << y;
  return ::testing::AssertionSuccess();
}

// The progress window is a child of the window it covers.
HWND ChildOfClass(HWND parent, const WCHAR* className) {
  struct Search {
    const WCHAR* name;
    HWND found;
  } search{className, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM p) -> BOOL {
        Search* s = reinterpret_cast<Search*>(p);
        WCHAR name[64];
        GetClassNameW(child, name, 64);
        if (lstrcmpW(name, s->name) == 0) s->found = child;
        return s->found ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(InstallerWindowTest, OpensAtItsPlaceWithItsPartsAndTheFirstStepReady) {
  Open();
  ASSERT_EQ(FindWindowW(u"WENLU Installer", u"WENLU Installer"), MainWindow);
  RECT r;
  GetWindowRect(MainWindow, &r);
  EXPECT_EQ(r.left, kLeft);
  EXPECT_EQ(r.top, kTop);
  EXPECT_EQ(r.right - r.left, 440);
  EXPECT_EQ(r.bottom - r.top, 551);
  LONG style = GetWindowLongW(MainWindow, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU);
  EXPECT_TRUE(GetWindowLongW(MainWindow, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  WNDCLASSW wc{};
  ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), u"WENLU Installer", &wc));
  EXPECT_EQ(wc.style & (CS_HREDRAW | CS_VREDRAW), static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_NE(wc.hIcon, nullptr);

  const struct {
    TextButton* button;
    int x, y;
  } places[] = {{LocateButton, 75, 304}, {ProcessButton, 75, 390}, {TransferButton, 75, 476}, {ExitButton, 372, 518}};
  for (const auto& p : places) {
    RECT b;
    GetWindowRect(p.button->window, &b);
    EXPECT_EQ(b.left - kLeft, p.x);
    EXPECT_EQ(b.top - kTop, p.y);
    EXPECT_EQ(b.bottom - b.top, 24);
  }
  EXPECT_EQ(Steps(), kStart);
  EXPECT_EQ(GetFocus(), LocateButton->window);

  // The frame's grey and white lines, the steps panel's rule, the banner from its file.
  EXPECT_TRUE(test::PixelIs(kLeft, kTop + 300, RGB(128, 128, 128)));
  EXPECT_TRUE(test::PixelIs(kLeft + 1, kTop + 300, RGB(255, 255, 255)));
  EXPECT_TRUE(test::PixelIs(kLeft + 439, kTop + 300, RGB(128, 128, 128)));
  EXPECT_EQ(WindowPixel(STEPS_PANEL_X + 200, STEPS_PANEL_Y + 17), RGB(192, 192, 192));
  EXPECT_TRUE(ShowsBanner());
}

TEST(InstallerIcon, GroupTenThousandOneHundredAndOneHoldsBothSizesInSixteenColours) {
  HRSRC found = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(10101), RT_GROUP_ICON);
  ASSERT_NE(found, nullptr);
  const BYTE* group = static_cast<const BYTE*>(LockResource(LoadResource(GetModuleHandleW(nullptr), found)));
  ASSERT_NE(group, nullptr);
  ASSERT_GE(SizeofResource(GetModuleHandleW(nullptr), found), 6u + 2 * 14u);
  EXPECT_EQ(group[4] | group[5] << 8, 2);  // entries
  for (int i = 0; i < 2; i++) {
    const BYTE* entry = group + 6 + 14 * i;
    EXPECT_EQ(entry[0], i == 0 ? 32 : 16);
    EXPECT_EQ(entry[1], i == 0 ? 32 : 16);
    EXPECT_EQ(entry[2], 16);  // colours
  }
}

TEST(StepsPanel, KeepsTheSpacingAndPutsEachArrowBesideItsButton) {
  test::HeadlessScreen screen(platform::ScreenKind::Desktop);
  // Whatever the font wraps into, the texts keep their order and the arrows their buttons.
  for (bool hideArial : {false, true}) {
    platform::SetFontFaceHidden(u"Arial", hideArial);
    HDC screenDc = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screenDc);
    HBITMAP bitmap = CreateCompatibleBitmap(screenDc, STEPS_PANEL_WIDTH, STEPS_PANEL_HEIGHT);
    ReleaseDC(nullptr, screenDc);
    HGDIOBJ old = SelectObject(dc, bitmap);
    int tops[4];
    DrawStepsPanel(dc, tops);
    HFONT font = CreateFontW(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    const WCHAR* texts[4] = {STEP_1_TEXT, STEP_2_TEXT, STEP_3_TEXT, STEP_4_TEXT};
    int bottoms[4];
    for (int i = 0; i < 4; i++) {
      RECT r{20, tops[i], STEPS_PANEL_WIDTH, tops[i]};
      DrawTextW(dc, texts[i], -1, &r, DT_WORDBREAK | DT_CALCRECT);
      bottoms[i] = r.bottom;
    }
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EXPECT_EQ(tops[0], 30);
    EXPECT_GE(tops[1], bottoms[0] + 20);
    EXPECT_GE(tops[2], bottoms[1] + 50);
    EXPECT_GE(tops[3], bottoms[2] + 50);
    const int buttonTops[3] = {304 - STEPS_PANEL_Y, 390 - STEPS_PANEL_Y, 476 - STEPS_PANEL_Y};
    for (int i = 1; i < 4; i++) {
      int arrows = bottoms[i] + 9;
      EXPECT_GE(arrows, buttonTops[i - 1]) << "step " << i + 1;
      EXPECT_LT(arrows, buttonTops[i - 1] + 24) << "step " << i + 1;
    }
    // The numbers in dark red on each step's first line.
    const platform::Surface* s = platform::SurfaceOfBitmap(bitmap);
    for (int i = 0; i < 4; i++) {
      bool red = false;
      for (int y = tops[i]; y < tops[i] + 15; y++)
        for (int x = 0; x < 16; x++) {
          COLORREF c = platform::ColorrefFromPixel(s->pixel(x, y));
          if (GetRValue(c) > 120 && GetGValue(c) < 60 && GetBValue(c) < 60) red = true;
        }
      EXPECT_TRUE(red) << "number " << i + 1;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  platform::SetFontFaceHidden(u"Arial", false);
}

TEST_F(InstallerWindowTest, LocateTakesOnlyTheExactNamesAndLowercasesThePath) {
  Open();
  Choose("CEDICT.GB");
  EXPECT_EQ(Steps(), kRejected);
  Choose("cedict.gb.txt");
  EXPECT_EQ(Steps(), kRejected);
  EXPECT_TRUE(platform::headless::Records().empty());  // no beep, no sound of a box

  // Typed without its extension, the name gets the default one.
  fs::create_directories(work_ / "Downloads");
  WriteBytes(work_ / "Downloads" / "cedict.gb", GbWordList(3, nullptr));
  platform::headless::SetNextOpenFileName(platform::Utf16FromUtf8((work_ / "Downloads" / "cedict").string()).c_str());
  Click(LocateButton);
  EXPECT_EQ(Steps(), kLocated);
  EXPECT_EQ(GetFocus(), ProcessButton->window);
  EXPECT_EQ(std::u16string(FileNameBuffer), u"cedict.gb");
  std::string lowered = (work_ / "downloads" / "cedict.gb").string();
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(platform::Utf8FromUtf16(::PathBuffer), lowered);
}

TEST_F(InstallerWindowTest, AZipBeepsAndExplainsAndACancelChangesNothing) {
  Open();
  for (const char* name : {"cedict.ZIP", "cedict_gb.zip"}) {
    platform::headless::ClearRecords();
    Box box;
    AnswerNextBox(&box);
    Choose(name);
    EXPECT_TRUE(ShowedBox(box, UNZIP_MESSAGE)) << name;
    ASSERT_FALSE(platform::headless::Records().empty());
    const platform::headless::Record& beep = platform::headless::Records().front();
    EXPECT_EQ(beep.call, "Beep");
    EXPECT_EQ(beep.flags, 5000u);
    EXPECT_EQ(beep.value, 100u);
    EXPECT_EQ(Steps(), kRejected);
    if (std::string(name) == "cedict.ZIP") {
      EXPECT_TRUE(test::MatchesGolden("installer/box_unzip.png", box.picture));
    }
  }

  platform::headless::ClearRecords();
  platform::headless::CancelNextOpenFileName();
  Click(LocateButton);
  EXPECT_EQ(Steps(), kRejected);
  EXPECT_EQ(::PathBuffer[0], 0);
  EXPECT_TRUE(platform::headless::Records().empty());
  EXPECT_EQ(FindWindowW(u"MyMessageBox", nullptr), nullptr);
}

TEST_F(InstallerWindowTest, ProcessConvertsUnderTheProgressWindowAndMovesToTransfer) {
  Open();
  std::vector<std::u16string> lines;
  fs::path source = Choose("cedict.gb", GbWordList(200, &lines), "Downloads");
  // Watches the conversion from inside: the panel is up and the window disabled.
  static bool seen;
  static bool ownerDisabled;
  seen = ownerDisabled = false;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND panel = ChildOfClass(MainWindow, u"PWClass");
    if (!panel || !IsWindowVisible(panel)) return;
    KillTimer(nullptr, id);
    seen = true;
    ownerDisabled = !IsWindowEnabled(MainWindow);
  });
  Click(ProcessButton);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(MainWindow));
  // Read from the folder as it is named: a lowercased path names no file here.
  EXPECT_EQ(ReadBytes(work_ / "Downloads" / "cedict.gb.dat"), Database(lines));
  EXPECT_EQ(platform::Utf8FromUtf16(ConvertedFilePath), source.string() + ".dat");
  EXPECT_EQ(Steps(), kProcessed);
  EXPECT_EQ(GetFocus(), TransferButton->window);
}

// After the message the steps start over: another file is chosen and converted.
TEST_F(InstallerWindowTest, AFailedConversionSaysWhyAndLetsTheUserChooseAgain) {
  Open();
  Choose("cedict.b5", "");
  Box box;
  AnswerNextBox(&box);
  Click(ProcessButton);
  EXPECT_TRUE(ShowedBox(box, CONVERT_EMPTY));
  EXPECT_EQ(Steps(), kStart);
  EXPECT_FALSE(fs::exists(work_ / "downloads" / "cedict.b5.dat"));
  Choose("cedict.gb");
  EXPECT_EQ(Steps(), kLocated);
  Click(ProcessButton);
  EXPECT_EQ(Steps(), kProcessed);
  EXPECT_TRUE(fs::exists(work_ / "downloads" / "cedict.gb.dat"));
}

TEST_F(InstallerWindowTest, TransferInstallsTheDatabaseInTheHandheldsProgramFolder) {
  Open();
  Choose("cedict.gb", GbWordList(300, nullptr));
  Click(ProcessButton);
  Box box;
  AnswerNextBox(&box);
  Click(TransferButton);
  EXPECT_TRUE(ShowedBox(box, TRANSFER_COMPLETE));
  EXPECT_EQ(ReadBytes(ProgramFolder() / "cedict.gb.dat"), ReadBytes(work_ / "downloads" / "cedict.gb.dat"));
  EXPECT_EQ(Steps(), kInstalled);
  EXPECT_TRUE(test::MatchesGolden("installer/box_complete.png", box.picture));
}

TEST_F(InstallerWindowTest, WithoutADeviceTheMessageComesAfterFiveSecondsAndTransferStays) {
  Open();
  Choose("cedict.gb");
  Click(ProcessButton);
  for (const char* how : {"simulated", "no root"}) {
    if (std::string(how) == "simulated") ::setenv("ORLEND_RAPI_SIMULATE", "no-device", 1);
    else {
      ::unsetenv("ORLEND_RAPI_SIMULATE");
      fs::remove_all(root_);
    }
    Box box;
    AnswerNextBox(&box);
    DWORD pressed = test::Now();
    Click(TransferButton);
    EXPECT_TRUE(ShowedBox(box, DEVICE_NOT_CONNECTED)) << how;
    EXPECT_GE(box.openedAt - pressed, 5000u) << how;
    EXPECT_LT(box.openedAt - pressed, 5100u) << how;
    EXPECT_EQ(Steps(), (std::vector<int>{kDisabled, kDisabled, kEnabled, kEnabled})) << how;
    if (std::string(how) == "simulated") {
      EXPECT_TRUE(test::MatchesGolden("installer/box_not_connected.png", box.picture));
    }
  }
}

TEST_F(InstallerWindowTest, WithoutTheRemoteApiLibraryTransferSaysSoAndStaysEnabled) {
  fs::create_directories(work_ / "system");
  ::setenv("ORLEND_SYSTEM_DIR", (work_ / "system").c_str(), 1);
  Open();
  ::unsetenv("ORLEND_SYSTEM_DIR");
  Choose("cedict.gb");
  Click(ProcessButton);
  Box box;
  AnswerNextBox(&box);
  Click(TransferButton);
  EXPECT_TRUE(ShowedBox(box, REMOTE_API_MISSING));
  EXPECT_EQ(LookOf(TransferButton), kEnabled);
  EXPECT_FALSE(fs::exists(ProgramFolder() / "cedict.gb.dat"));
  EXPECT_TRUE(test::MatchesGolden("installer/box_no_remote_api.png", box.picture));
}

TEST_F(InstallerWindowTest, WithoutTheProgramFolderItFailsThenASecondPressTargetsTheSameFile) {
  Open();
  Choose("cedict.b5", GbWordList(10, nullptr));
  Click(ProcessButton);
  fs::remove_all(root_ / "program files");
  Box box;
  AnswerNextBox(&box);
  Click(TransferButton);
  EXPECT_TRUE(ShowedBox(box, DEVICE_FILE_NOT_CREATED));
  EXPECT_EQ(LookOf(TransferButton), kEnabled);
  EXPECT_TRUE(test::MatchesGolden("installer/box_error_connected.png", box.picture));

  fs::create_directories(ProgramFolder());
  Box done;
  AnswerNextBox(&done);
  Click(TransferButton);
  EXPECT_TRUE(ShowedBox(done, TRANSFER_COMPLETE));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(ProgramFolder())) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"cedict.b5.dat"});
}

TEST_F(InstallerWindowTest, AFailedWriteOrCloseIsReportedAndTransferStaysEnabled) {
  Open();
  Choose("cedict.gb", GbWordList(400, nullptr));  // 20000 bytes: two blocks and the rest
  Click(ProcessButton);
  for (const char* simulate : {"write-fail:15000", "close-fail"}) {
    ::setenv("ORLEND_RAPI_SIMULATE", simulate, 1);
    Box box;
    AnswerNextBox(&box);
    Click(TransferButton);
    EXPECT_TRUE(ShowedBox(box, TRANSFER_WRITE_FAILED)) << simulate;
    EXPECT_EQ(LookOf(TransferButton), kEnabled) << simulate;
    EXPECT_EQ(LookOf(ExitButton), kEnabled) << simulate;
    if (std::string(simulate) == "close-fail") {
      EXPECT_TRUE(test::MatchesGolden("installer/box_write_failed.png", box.picture));
    }
  }
}

TEST_F(InstallerWindowTest, WithoutSkinsOrBannerItDrawsPlainlyAndWorks) {
  Open(false);
  EXPECT_EQ(Steps(), kStart);
  // The banner's place shows the hatched background.
  for (int y = 26; y < 30; y++) EXPECT_EQ(WindowPixel(38 + 100, y), WindowPixel(5, y));
  EXPECT_NE(WindowPixel(5, 26), WindowPixel(5, 27));
  Choose("cedict.gb");
  EXPECT_EQ(Steps(), kLocated);

  // A banner put beside the program shows at the next paint.
  fs::copy_file(fs::path(ORLEND_BINARY_DIR) / "bin" / "graphic.bmp", work_ / "graphic.bmp");
  InvalidateRect(MainWindow, nullptr, TRUE);
  test::RunUntilIdle();
  EXPECT_TRUE(ShowsBanner());
}

TEST_F(InstallerWindowTest, TheCaptionDragsTheWindowAndClosingItQuits) {
  Open();
  test::Drag(kLeft + 200, kTop + 10, kLeft + 150, kTop + 60);
  RECT r;
  GetWindowRect(MainWindow, &r);
  EXPECT_EQ(r.left, kLeft - 50);
  EXPECT_EQ(r.top, kTop + 50);
  SendMessageW(MainWindow, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(MainWindow));
  EXPECT_EQ(RunInstaller(), 0);
}

TEST_F(InstallerWindowTest, EveryStateMatchesItsGolden) {
  Open();
  EXPECT_TRUE(test::MatchesGolden("installer/start.png", WindowPicture()));
  Choose("cedict.gb", GbWordList(300, nullptr));
  EXPECT_TRUE(test::MatchesGolden("installer/located.png", WindowPicture()));

  static platform::Surface during;
  during = platform::Surface();
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    test::RunUntilIdle();
    during = WindowPicture();
  });
  Click(ProcessButton);
  EXPECT_TRUE(test::MatchesGolden("installer/progress.png", during));
  EXPECT_TRUE(test::MatchesGolden("installer/processed.png", WindowPicture()));

  Box box;
  AnswerNextBox(&box);
  Click(TransferButton);
  test::Advance(100);  // the Exit button's first blink
  EXPECT_TRUE(test::MatchesGolden("installer/installed.png", WindowPicture()));
}

}  // namespace
