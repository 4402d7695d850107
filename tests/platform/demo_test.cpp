// The demo program, run as a user runs it: headless against its golden, and in a real window
// under Xvfb (where Xvfb is installed), whose screenshot must show the headless pixels.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/png.h"
#include "tests/support/pixels.h"
#include "tests/support/real_window.h"

namespace {

namespace fs = std::filesystem;

const std::string kDemo = std::string(ORLEND_BINARY_DIR) + "/bin/orlend-platform-demo";
const std::string kScript = std::string(ORLEND_SOURCE_DIR) + "/platform/demo/demo.script";

std::string Folder() {
  // A folder per test: ctest runs the tests of this file side by side.
  fs::path p = fs::path(ORLEND_BINARY_DIR) / "demo-test" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(p);
  return p.string();
}

using test::ReadWholeFile;

int RunProgramFile(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& output) {
  return test::RunToEnd(args, env, output);
}

platform::Surface Headless(const std::string& script, const std::string& name) {
  std::string png = Folder() + "/" + name;
  fs::remove(png);
  int code = RunProgramFile({kDemo, "--headless", "--script", script, "--snapshot", png}, {}, Folder() + "/" + name + ".log");
  EXPECT_EQ(code, 0) << ReadWholeFile(Folder() + "/" + name + ".log");
  platform::Surface s;
  std::string error;
  EXPECT_TRUE(platform::ReadPng(png, &s, &error)) << error;
  return s;
}

TEST(DemoTest, HeadlessRunMatchesItsGolden) {
  platform::Surface s = Headless(kScript, "tap.png");
  EXPECT_TRUE(test::MatchesGolden("demo/demo_tap.png", s));
}

TEST(DemoTest, BadOptionsAreRefusedWithAMessage) {
  std::string log = Folder() + "/bad.log";
  EXPECT_EQ(RunProgramFile({kDemo, "--headless", "--scale", "0"}, {}, log), 2);
  EXPECT_NE(ReadWholeFile(log).find("--scale takes a whole number from 1 to 8"), std::string::npos);
  EXPECT_EQ(RunProgramFile({kDemo, "--headless", "--script", Folder() + "/no-such.script"}, {}, log), 2);
  EXPECT_NE(ReadWholeFile(log).find("cannot read the script"), std::string::npos);
}

// ---- the real window under Xvfb

TEST(DemoTest, RealWindowUnderXvfbShowsTheHeadlessPixels) {
  if (!test::OnPath("Xvfb") || !test::OnPath("xwd") || !test::OnPath("xdotool")) GTEST_SKIP() << "Xvfb, xwd or xdotool is missing";
  std::string still = Folder() + "/still.script";
  std::ofstream(still) << "100 end\n";
  platform::Surface before = Headless(still, "still.png");
  platform::Surface after = Headless(kScript, "tap2.png");

  test::XvfbSession x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start";
  std::string log = Folder() + "/sdl.log";
  const int scale = 2;
  pid_t demo = test::Spawn({kDemo, "--scale", std::to_string(scale)},
                     {x.Env(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "ORLEND_TIMING=1", "ORLEND_BACKEND="},
                     log);
  std::string id = test::FindXWindow(x.Env(), "Platform demo", Folder());
  ASSERT_FALSE(id.empty()) << "no demo window; its output: " << ReadWholeFile(log);
  EXPECT_TRUE(test::XWindowShows(x.Env(), id, before, scale, Folder()));

  // A tap through the X server lands where the headless script taps.
  EXPECT_EQ(RunProgramFile({"xdotool", "mousemove", "--window", id, std::to_string(150 * scale + 1), std::to_string(262 * scale + 1),
                 "click", "1"},
                {x.Env()}, ""),
            0);
  EXPECT_TRUE(test::XWindowShows(x.Env(), id, after, scale, Folder()));

  kill(demo, SIGTERM);  // the device window closes: the run ends
  EXPECT_EQ(test::WaitFor(demo, 10), 0);
  std::string output = ReadWholeFile(log);
  size_t at = output.find("platform: first frame");
  if (at != std::string::npos) std::cout << "[ measured ] SDL under Xvfb: " << output.substr(at, output.find('\n', at) - at) << "\n";
}

}  // namespace
