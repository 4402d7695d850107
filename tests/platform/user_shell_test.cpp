// Clipboard, shell execution, sounds and the system message box, as a headless run sees them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/mmsystem.h"
#include "platform/shellapi.h"
#include "tests/support/headless_screen.h"

namespace {

namespace fs = std::filesystem;

HANDLE TextBlock(const std::u16string& text) {
  HANDLE h = LocalAlloc(LMEM_FIXED, (text.size() + 1) * sizeof(WCHAR));
  std::memcpy(h, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  return h;
}

std::u16string ReadClipboard() {
  std::u16string out;
  if (!OpenClipboard(nullptr)) return u"<not opened>";
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    out = static_cast<const WCHAR*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  CloseClipboard();
  return out;
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder per test: ctest runs the tests of this file side by side.
    folder_ = fs::path(ORLEND_BINARY_DIR) / "shell-test" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "help");
    std::ofstream(folder_ / "help" / "help.htm") << "<html></html>";
  }
  test::HeadlessScreen screen_;
  fs::path folder_;
};

TEST_F(ShellTest, ClipboardTextMakesTheRoundTrip) {
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));  // one opener at a time
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_NE(SetClipboardData(CF_UNICODETEXT, TextBlock(u"中国 zhong1 guo2")), nullptr);
  // A refused block stays the caller's to free.
  HANDLE refused = TextBlock(u"x");
  EXPECT_EQ(SetClipboardData(CF_TEXT, refused), nullptr);  // only Unicode text here
  LocalFree(refused);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_EQ(ReadClipboard(), u"中国 zhong1 guo2");
  // Without opening nothing can be changed.
  refused = TextBlock(u"no");
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, refused), nullptr);
  LocalFree(refused);
  EXPECT_FALSE(EmptyClipboard());
  // A block without a terminator is read to its end, not beyond.
  HANDLE raw = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(WCHAR));
  auto* p = static_cast<WCHAR*>(GlobalLock(raw));
  for (int i = 0; i < 4; ++i) p[i] = u'a';
  GlobalUnlock(raw);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, raw);
  CloseClipboard();
  EXPECT_EQ(ReadClipboard(), u"aaaa");
}

TEST_F(ShellTest, ShellExecuteOpensExistingFilesAndReportsMissingOnes) {
  platform::headless::ClearRecords();
  std::u16string page = (folder_ / "help").u16string() + u"\\help.htm";  // a backslash folder, as the handheld writes it
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = u"open";
  info.lpFile = page.c_str();
  EXPECT_TRUE(ShellExecuteExW(&info));
  EXPECT_GT(reinterpret_cast<intptr_t>(info.hInstApp), 32);

  std::u16string missing = (folder_ / "help" / "nothing.htm").u16string();
  info.lpFile = missing.c_str();
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(reinterpret_cast<intptr_t>(info.hInstApp), SE_ERR_FNF);

  info.fMask = 0;  // with the error box allowed, the system says so
  EXPECT_FALSE(ShellExecuteExW(&info));
  info.lpVerb = u"print";
  info.lpFile = page.c_str();
  info.fMask = SEE_MASK_FLAG_NO_UI;
  EXPECT_FALSE(ShellExecuteExW(&info));

  const auto& records = platform::headless::Records();
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].call, "ShellExecuteEx");
  EXPECT_EQ(records[0].text, page);
  EXPECT_EQ(records[0].detail, u"open");
  EXPECT_EQ(records[0].flags, static_cast<DWORD>(SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS));
  EXPECT_EQ(records[3].call, "MessageBox");
  EXPECT_EQ(records[4].detail, u"print");
}

TEST_F(ShellTest, SoundsAreRecordedAndMissingFilesAreSilent) {
  platform::headless::ClearRecords();
  fs::path wav = folder_ / "2.wav";
  {
    // A valid, tiny WAV: 100 ms of silence at 8000 Hz, 8-bit mono.
    std::ofstream f(wav, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4); u32(36 + 800); f.write("WAVEfmt ", 8); u32(16); u16(1); u16(1); u32(8000); u32(8000);
    u16(1); u16(8); f.write("data", 4); u32(800);
    for (int i = 0; i < 800; ++i) f.put(static_cast<char>(128));
  }
  std::u16string path = wav.u16string();
  std::u16string gone = (folder_ / "6.wav").u16string();
  DWORD t = GetTickCount();
  EXPECT_TRUE(PlaySoundW(path.c_str(), nullptr, SND_ASYNC));
  EXPECT_EQ(GetTickCount(), t);
  EXPECT_FALSE(PlaySoundW(gone.c_str(), nullptr, SND_ASYNC));
  EXPECT_TRUE(PlaySoundW(path.c_str(), nullptr, SND_SYNC | SND_FILENAME));
  EXPECT_EQ(GetTickCount(), t + 100);  // a synchronous sound takes its length
  EXPECT_TRUE(Beep(5000, 100));
  EXPECT_EQ(GetTickCount(), t + 200);
  const auto& r = platform::headless::Records();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].call, "PlaySound");
  EXPECT_EQ(r[0].text, path);
  EXPECT_EQ(r[0].flags, static_cast<DWORD>(SND_ASYNC));
  EXPECT_EQ(r[1].text, gone);
  EXPECT_EQ(r[3].call, "Beep");
  EXPECT_EQ(r[3].flags, 5000u);
  EXPECT_EQ(r[3].value, 100u);
}

TEST_F(ShellTest, SystemMessageBoxIsRecordedAndAnsweredAtOnce) {
  platform::headless::ClearRecords();
  EXPECT_EQ(MessageBoxW(nullptr, u"Can not find ActiveSync.", u"Installation", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"Go on?", u"Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
  const auto& r = platform::headless::Records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].text, u"Can not find ActiveSync.");
  EXPECT_EQ(r[0].detail, u"Installation");
  EXPECT_EQ(r[0].flags, static_cast<DWORD>(MB_OK | MB_ICONERROR));
}

}  // namespace
