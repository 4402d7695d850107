// The headless backend: script format, scripted runs, snapshots, stalls; PNG files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/png.h"
#include "tests/support/headless_screen.h"
#include "tests/support/message_recorder.h"
#include "tests/support/pixels.h"

namespace {

namespace fs = std::filesystem;

TEST(ScriptTest, BadLinesAreNamed) {
  test::HeadlessScreen screen;
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"tap 1 2", "line 1: a time in milliseconds (or +milliseconds) comes first"},
      {"# comment\n\n10 tap 1", "line 3: tap X Y"},
      {"10 tap 1 2\n5 tap 1 2", "line 2: times must not go back"},
      {"10 hop 1 2", "line 1: unknown command: hop"},
      {"10 key hyper", "line 1: unknown key: hyper"},
      {"10 key ctrl+", "line 1: unknown key: ctrl+"},
      {"10 text", "line 1: text needs something to type"},
      {"10 drag 1 2 3", "line 1: drag X1 Y1 X2 Y2 [STEPS]"},
      {"10 drag 1 2 3 4 0", "line 1: drag steps go from 1 to 1000"},
      {"10 end now", "line 1: end takes nothing"},
      {"-5 tap 1 2", "line 1: a time in milliseconds (or +milliseconds) comes first"},
      // Numbers whose sums and products would overflow are refused, not wrapped.
      {"9223372036854775807 tap 10 10\n+1 tap 1 1", "line 1: times go up to 1000000000 ms"},
      {"99999999999999999999 tap 10 10", "line 1: a time in milliseconds (or +milliseconds) comes first"},
      {"1000000000 tap 10 10\n+1 tap 1 1", "line 2: times go up to 1000000000 ms"},
      {"1000000001 tap 10 10", "line 1: times go up to 1000000000 ms"},
      {"10 drag 0 0 9223372036854775807 5 1000", "line 1: numbers go from -100000 to 100000"},
      {"10 drag -100001 0 100000 5", "line 1: numbers go from -100000 to 100000"},
      {"10 tap 1 4000000000", "line 1: numbers go from -100000 to 100000"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(platform::headless::LoadScript(c.script, &error)) << c.script;
    EXPECT_EQ(error, c.error) << c.script;
  }
  std::string error;
  EXPECT_TRUE(platform::headless::LoadScript("0 tap 1 2\n+10 key ctrl+v\r\n+5 text 你好 world\n", &error)) << error;
  EXPECT_TRUE(platform::headless::LoadScript("999990000 drag -100000 0 100000 0 1000\n", &error)) << error;

  // Only a regular file is read as a script: a device would never end, a folder is empty.
  for (const char* notAFile : {"/dev/zero", "/"}) {
    EXPECT_FALSE(platform::headless::LoadScriptFile(notAFile, &error)) << notAFile;
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(ScriptTest, ScriptedInputArrivesAtItsTimes) {
  test::HeadlessScreen screen;
  ASSERT_TRUE(test::RegisterTestClass(u"Scripted", Proc, GetSysColorBrush(COLOR_WINDOW)));
  HWND w = CreateWindowExW(0, u"Scripted", u"S", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                           nullptr, nullptr);
  SetFocus(w);
  test::MessageRecorder r(w, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_CHAR});
  std::string error;
  ASSERT_TRUE(platform::headless::LoadScript("100 tap 10 36\n+50 drag 0 26 20 46 2\n1000 text ab", &error)) << error;
  DWORD start = test::Now();
  std::vector<DWORD> times;
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message != WM_PAINT) times.push_back(m.time - start);
    DispatchMessageW(&m);
  }
  EXPECT_TRUE(r.Matches({{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)},
                         {WM_LBUTTONUP, 0, MAKELPARAM(10, 10)},
                         {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0)},
                         {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10)},
                         {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 20)},
                         {WM_LBUTTONUP, 0, MAKELPARAM(20, 20)},
                         {WM_CHAR, 'a'},
                         {WM_CHAR, 'b'}}));
  std::vector<DWORD> expected = {100, 100, 150, 160, 170, 170, 1000, 1000};
  EXPECT_EQ(times, expected);
}

TEST(ScriptTest, ScriptedSnapshotsAndTheEndOfARun) {
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "script-test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  test::HeadlessScreen screen;
  ASSERT_TRUE(test::RegisterTestClass(u"Scripted", Proc, GetSysColorBrush(COLOR_HIGHLIGHT)));
  CreateWindowExW(0, u"Scripted", u"Snap", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, nullptr,
                  nullptr);
  HWND periodic = CreateWindowExW(0, u"Scripted", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetTimer(periodic, 1, 400, nullptr);  // would run for ever without the end
  std::string snap = (folder / "mid.png").string();
  std::string error;
  ASSERT_TRUE(platform::headless::LoadScript("50 snapshot " + snap + "\n200 end\n900 tap 1 1", &error));
  DWORD start = test::Now();
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
  EXPECT_EQ(test::Now() - start, 200u);
  platform::Surface image;
  ASSERT_TRUE(platform::ReadPng(snap, &image, &error)) << error;
  EXPECT_EQ(image.width(), 240);
  EXPECT_EQ(platform::ColorrefFromPixel(image.pixel(100, 100)), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(ScriptTest, AWaitNothingCanAnswerEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::HeadlessScreen screen;
        for (;;) Sleep(10);  // a modal loop with nothing scripted to end it
      },
      ::testing::ExitedWithCode(3), "headless run stalled");
}

platform::Surface Sample() {
  platform::Surface s(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) s.set_pixel(x, y, static_cast<uint32_t>((x * 40) << 16 | (y * 60) << 8 | (x + y) * 20));
  return s;
}

TEST(PngTest, WriteAndReadMakeTheRoundTrip) {
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "png-test";
  fs::create_directories(folder);
  std::string path = (folder / "sample.png").string();
  std::string error;
  platform::Surface s = Sample();
  ASSERT_TRUE(platform::WritePng(s, path, &error)) << error;
  platform::Surface back;
  ASSERT_TRUE(platform::ReadPng(path, &back, &error)) << error;
  ASSERT_EQ(back.width(), 7);
  ASSERT_EQ(back.height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(back.pixel(x, y), s.pixel(x, y)) << x << "," << y;
  EXPECT_FALSE(platform::WritePng(platform::Surface(), path, &error));
  EXPECT_FALSE(platform::WritePng(s, (folder / "no" / "such" / "folder.png").string(), &error));
  EXPECT_FALSE(platform::ReadPng((folder / "missing.png").string(), &back, &error));
}

TEST(PngTest, EveryTruncationFailsCleanly) {
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "png-test";
  fs::create_directories(folder);
  std::string path = (folder / "whole.png").string();
  std::string error;
  ASSERT_TRUE(platform::WritePng(Sample(), path, &error));
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string cut = (folder / "cut.png").string();
  for (size_t n = 0; n < bytes.size(); ++n) {
    {
      std::ofstream out(cut, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(n));
    }
    platform::Surface s;
    EXPECT_FALSE(platform::ReadPng(cut, &s, &error)) << "cut at " << n;
  }
  // A flipped byte in the image data is caught by its checksum.
  std::string bad = bytes;
  bad[bad.size() / 2] ^= 0x55;
  {
    std::ofstream out(cut, std::ios::binary | std::ios::trunc);
    out.write(bad.data(), static_cast<std::streamsize>(bad.size()));
  }
  platform::Surface s;
  EXPECT_FALSE(platform::ReadPng(cut, &s, &error));
}

}  // namespace
