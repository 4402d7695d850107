// The installer's window on the headless desktop, run in a scratch folder that holds what
// the program finds beside it (the skin library, the banner), with a temporary handheld.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "device/shell/drawing.h"
#include "installer/convert_dictionary.h"
#include "installer/installer_state.h"
#include "installer/installer_window.h"
#include "installer_test_files.h"
#include "platform/commdlg.h"
#include "platform/platform.h"
#include "platform/surface.h"
#include "tests/support/headless_screen.h"
#include "tests/support/pixels.h"
#include "widgets/text_button.h"

namespace installer_test {

// The headless desktop is 1280 wide: the window's left edge is (1280 - 440) / 2.
constexpr int kLeft = 420, kTop = 224;

enum Look { kDisabled = 0, kEnabled = 1, kFlashing = 2 };

inline int LookOf(const TextButton* b) { return !b->enabled ? kDisabled : b->flashPhase ? kFlashing : kEnabled; }

// Locate, Process, Transfer, Exit.
inline std::vector<int> Steps() {
  return {LookOf(LocateButton), LookOf(ProcessButton), LookOf(TransferButton), LookOf(ExitButton)};
}

// A GB word list of `lines` lines of 50 bytes each with CR LF, so that the consumed count
// meets a multiple of 500 every ten lines; and its lines as the database holds them.
inline std::string GbWordList(int lines, std::vector<std::u16string>* converted) {
  std::string bytes;
  for (int i = 0; i < lines; i++) {
    std::string number = std::to_string(1000 + i);
    // "\xD6\xD0\xCE\xC4" is 中文 in GB.
    std::string line = "\xD6\xD0\xCE\xC4" + number + " [zhong1 wen2] /Chinese " + number + "/";
    line += std::string(48 - line.size() - 1, 'x') + "/";
    bytes += line + "\r\n";
    if (converted) converted->push_back(u"中文" + platform::Utf16FromUtf8(line.substr(4)));
  }
  return bytes;
}

// What a message box showed: its window rectangle, when, and the window with it.
struct Box {
  bool shown = false;
  RECT rect{};
  DWORD openedAt = 0;
  platform::Surface picture;
};

class InstallerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previous_ = cwd;
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    work_ = FreshFolder("window/" + name);
    root_ = work_ / "handheld";
    std::filesystem::create_directories(ProgramFolder());
    ::setenv("ORLEND_HANDHELD_ROOT", root_.c_str(), 1);
    ::unsetenv("ORLEND_RAPI_SIMULATE");
    ::unsetenv("ORLEND_SYSTEM_DIR");
    platform::headless::ClearRecords();
    platform::headless::ClearOpenFileNameAnswers();
  }
  void TearDown() override {
    DestroyInstaller();
    ASSERT_EQ(chdir(previous_.c_str()), 0);
    ::unsetenv("ORLEND_HANDHELD_ROOT");
    ::unsetenv("ORLEND_RAPI_SIMULATE");
    platform::headless::ClearOpenFileNameAnswers();
  }

  // Starts the installer in the scratch folder, with or without its skin library and banner.
  void Open(bool art = true) {
    std::filesystem::path bin = std::filesystem::path(ORLEND_BINARY_DIR) / "bin";
    if (art) {
      std::filesystem::create_directories(work_ / "dlls");
      std::filesystem::copy_file(bin / "dlls" / "tovu.dll", work_ / "dlls" / "tovu.dll");
      std::filesystem::copy_file(bin / "graphic.bmp", work_ / "graphic.bmp");
    }
    ASSERT_EQ(chdir(work_.c_str()), 0);
    ASSERT_EQ(CreateInstaller(GetModuleHandleW(nullptr)), 1);
    test::RunUntilIdle();
  }

  std::filesystem::path ProgramFolder() const { return root_ / "program files" / "orlend's chinese dictionary"; }

  static POINT Centre(const TextButton* b) {
    POINT p{b->width / 2, 12};
    ClientToScreen(b->window, &p);
    return p;
  }
  // A click through the real message path; the pointer then leaves the window, so that
  // no explanation tip comes up afterwards.
  static void Click(const TextButton* b) {
    POINT p = Centre(b);
    test::Tap(p.x, p.y);
    test::StylusMove(5, 5);
  }

  // Writes a fixture word list and has Locate choose it.
  std::filesystem::path Choose(const std::string& name, const std::string& bytes = GbWordList(40, nullptr),
                               const std::string& folder = "downloads") {
    std::filesystem::create_directories(work_ / folder);
    std::filesystem::path path = work_ / folder / name;
    WriteBytes(path, bytes);
    platform::headless::SetNextOpenFileName(platform::Utf16FromUtf8(path.string()).c_str());
    Click(LocateButton);
    return path;
  }

  // Arms a watch for the next message box: it is pictured and answered with Enter.
  void AnswerNextBox(Box* box) {
    box_ = box;
    SetTimer(nullptr, 0, 10, BoxTimer);
  }

  static platform::Surface WindowPicture() {
    platform::Surface all = platform::headless::Snapshot();
    platform::Surface part(440, 551);
    for (int y = 0; y < 551; y++)
      for (int x = 0; x < 440; x++) part.set_pixel(x, y, all.pixel(kLeft + x, kTop + y));
    return part;
  }

  test::HeadlessScreen screen_{platform::ScreenKind::Desktop};
  std::string previous_;
  std::filesystem::path work_, root_;

 private:
  static Box* box_;
  static void CALLBACK BoxTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND found = FindWindowW(u"MyMessageBox", nullptr);
    if (!found || !IsWindowVisible(found) || !box_) return;
    KillTimer(nullptr, id);
    Box* box = box_;
    box_ = nullptr;
    box->shown = true;
    box->openedAt = test::Now();
    GetWindowRect(found, &box->rect);
    test::RunUntilIdle();
    box->picture = WindowPicture();
    test::ScheduleKey(10, VK_RETURN);
  }
};

inline Box* InstallerWindowTest::box_ = nullptr;

// The installer's message box is as wide as its widest line allows and one line taller per line.
inline SIZE BoxSizeFor(const std::u16string& text) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, u"Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  int widest = 0, lineHeight = 0, lines = 0;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(u'\n', start);
    std::u16string line = text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    SIZE s{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &s);
    widest = std::max<int>(widest, s.cx);
    lineHeight = std::max<int>(lineHeight, s.cy);
    lines++;
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  int even = (lines - 1) * lineHeight + 104;
  even += even & 1;
  return SIZE{std::max(260, widest + 110), even + 1};
}

inline ::testing::AssertionResult ShowedBox(const Box& box, const std::u16string& text) {
  if (!box.shown) return ::testing::AssertionFailure() << "no message box";
  SIZE want = BoxSizeFor(text);
  int w = box.rect.right - box.rect.left, h = box.rect.bottom - box.rect.top;
  if (w != want.cx || h != want.cy)
    return ::testing::AssertionFailure() << "box " << w << " x " << h << ", the text needs " << want.cx << " x "
                                         << want.cy;
  return ::testing::AssertionSuccess();
}

}  // namespace installer_test
