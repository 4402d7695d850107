// Help pages, interface sounds, the message pump and ending the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "device/shell/program_folder.h"
#include "device/shell/services.h"
#include "platform/mmsystem.h"
#include "platform/png.h"
#include "platform/shellapi.h"
#include "tests/support/headless_screen.h"

namespace {

namespace fs = std::filesystem;

class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder per test: ctest runs the tests of this file side by side.
    folder_ = fs::path(ORLEND_BINARY_DIR) / "services-test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "res");
    fs::create_directories(folder_ / "help");
    std::ofstream(folder_ / "help" / "help.htm") << "<html></html>";
    std::ofstream(folder_ / "res" / "6.wav") << "RIFF";
    SetProgramFolder(folder_.u16string().c_str());
    platform::headless::ClearRecords();
  }
  std::u16string Folder() const { return ProgramFolder(); }
  test::HeadlessScreen screen_;
  fs::path folder_;
};

TEST_F(ServicesTest, HelpPagesOpenFromTheProgramFolderWithoutAnErrorBox) {
  OpenHelpPage(nullptr, u"help/help.htm");
  OpenHelpPage(nullptr, u"help/install_dict.htm");  // missing: the shell fails quietly
  const auto& r = platform::headless::Records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].call, "ShellExecuteEx");
  EXPECT_EQ(r[0].text, Folder() + u"help/help.htm");
  EXPECT_EQ(r[0].detail, u"open");
  EXPECT_EQ(r[0].flags, 0x440u);
  EXPECT_EQ(r[1].text, Folder() + u"help/install_dict.htm");
}

TEST_F(ServicesTest, TheHandheldsOwnPathsKeepTheirBackslashFolder) {
  SetProgramFolderFromFile(u"\\Program Files\\Dict\\dict.exe");
  OpenHelpPage(nullptr, u"help/help.htm");
  PlayUiSound(6);
  const auto& r = platform::headless::Records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].text, u"\\Program Files\\Dict\\help/help.htm");
  EXPECT_EQ(r[1].text, u"\\Program Files\\Dict\\res/6.wav");
}

TEST_F(ServicesTest, SoundsAreNumberedFilesPlayedAsynchronously) {
  EXPECT_NE(PlayUiSound(6), 0);
  EXPECT_EQ(PlayUiSound(2), 0);  // no such file: nothing, and no message
  const auto& r = platform::headless::Records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].call, "PlaySound");
  EXPECT_EQ(r[0].text, Folder() + u"res/6.wav");
  EXPECT_EQ(r[0].flags, static_cast<DWORD>(SND_ASYNC));
  EXPECT_EQ(r[1].text, Folder() + u"res/2.wav");
}

TEST_F(ServicesTest, PathsBeyondThePlatformLimitAreNotUsed) {
  std::u16string deep = u"/" + std::u16string(250, u'd') + u"/";
  SetProgramFolder(deep.c_str());
  OpenHelpPage(nullptr, u"help/help.htm");
  EXPECT_EQ(PlayUiSound(6), 0);
  EXPECT_TRUE(platform::headless::Records().empty());
}

int g_handled = 0;
LRESULT CALLBACK Counting(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++g_handled;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(ServicesTest, PumpMessagesDispatchesWhatWaitsAndKeepsTheQuit) {
  ASSERT_TRUE(test::RegisterTestClass(u"Pumped", Counting));
  HWND w = CreateWindowExW(0, u"Pumped", u"", WS_VISIBLE, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                           nullptr, nullptr);
  g_handled = 0;
  PostMessageW(w, WM_APP, 0, 0);
  PostMessageW(w, WM_APP, 0, 0);
  DWORD t = GetTickCount();
  PumpMessages();
  EXPECT_EQ(g_handled, 2);
  EXPECT_EQ(GetTickCount(), t);  // the single yield takes no time
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));  // the paint went through too
  PumpMessages();  // an empty queue

  PostQuitMessage(4);
  PostMessageW(w, WM_APP, 0, 0);
  PumpMessages();
  EXPECT_EQ(g_handled, 3);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 4u);
}

TEST(EndProcessTest, EndsAtOnceWithCodeZeroAndLeavesTheSnapshot) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string snapshot = (fs::path(ORLEND_BINARY_DIR) / "end-process.png").string();
  fs::remove(snapshot);
  EXPECT_EXIT(
      {
        if (platform::Started()) platform::Shutdown();
        platform::Options o;
        o.backend = platform::BackendKind::Headless;
        o.snapshot = snapshot;
        platform::Start(o);
        EndProcess();
      },
      ::testing::ExitedWithCode(0), "");
  platform::Surface s;
  std::string error;
  EXPECT_TRUE(platform::ReadPng(snapshot, &s, &error)) << error;
  EXPECT_EQ(s.width(), 240);
}

}  // namespace
