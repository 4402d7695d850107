// --help, --version and mistakes on the command line of each program, run as processes
// where no screen can open: none of them may try.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cli/command_line.h"
#include "tests/installer/program_runner.h"

namespace {

using installer_test::BuiltProgram;
using installer_test::ProgramRun;
using installer_test::RunProgram;

// A screen that cannot open: a program that tried would say so and exit 2.
const std::vector<std::string> kNoScreen = {"SDL_VIDEODRIVER=no-such-driver", "ORLEND_BACKEND=", "DISPLAY=",
                                            "WAYLAND_DISPLAY="};

class ProgramCommandLine : public testing::TestWithParam<const char*> {};

TEST_P(ProgramCommandLine, HelpVersionAndMistakesNeverOpenAScreen) {
  std::string name = GetParam();
  std::string program = BuiltProgram(name);
  std::string folder = ORLEND_BINARY_DIR;

  ProgramRun help = RunProgram(program, {"--help"}, folder, kNoScreen, 20);
  EXPECT_EQ(0, help.code) << help.err;
  EXPECT_EQ(0u, help.out.find("Usage: " + name + " ")) << help.out;
  EXPECT_NE(std::string::npos, help.out.find("  -V, --version"));
  EXPECT_EQ("", help.err);

  ProgramRun version = RunProgram(program, {"--version"}, folder, kNoScreen, 20);
  EXPECT_EQ(0, version.code);
  EXPECT_EQ(0u, version.out.find(name + " (orlend-dict) " + cli::Version() + "\n")) << version.out;

  for (const char* bad : {"--no-such-option", "-Z"}) {
    ProgramRun run = RunProgram(program, {bad}, folder, kNoScreen, 20);
    EXPECT_EQ(2, run.code) << bad;
    EXPECT_EQ("", run.out);
    EXPECT_EQ(2, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
    EXPECT_EQ(0u, run.err.find(name + ": ")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Try '" + name + " --help'")) << run.err;
  }

  // Help that cannot be written is a failure, not a success.
  ProgramRun full = RunProgram("/bin/sh", {"-c", "exec \"$0\" --help >/dev/full", program}, folder, kNoScreen, 20);
  EXPECT_EQ(2, full.code);
  EXPECT_NE(std::string::npos, full.err.find("write error")) << full.err;
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, ProgramCommandLine,
                         testing::Values("orlend-dict", "orlend-dict-installer", "orlend-setup"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(ProgramCommandLine, WindowOptionsAreCheckedBeforeAnyScreen) {
  ProgramRun run = RunProgram(BuiltProgram("orlend-dict"), {"--scale", "9"}, ORLEND_BINARY_DIR, kNoScreen, 20);
  EXPECT_EQ(2, run.code);
  EXPECT_NE(std::string::npos, run.err.find("--scale takes a whole number from 1 to 8")) << run.err;
  run = RunProgram(BuiltProgram("orlend-dict"), {"--pinyin"}, ORLEND_BINARY_DIR, kNoScreen, 20);
  EXPECT_EQ(2, run.code);
  EXPECT_NE(std::string::npos, run.err.find("need --query")) << run.err;
  run = RunProgram(BuiltProgram("orlend-dict-installer"), {"--transfer"}, ORLEND_BINARY_DIR, kNoScreen, 20);
  EXPECT_EQ(2, run.code);
  EXPECT_NE(std::string::npos, run.err.find("--transfer needs one FILE.dat")) << run.err;
}

}  // namespace
