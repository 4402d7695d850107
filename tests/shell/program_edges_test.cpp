// The built programs where the machine around them is lacking: no display, no fonts, a
// FIFO for a file, a script that ends inside a message box.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "tests/installer/program_runner.h"
#include "tests/shell/program_fixture.h"

namespace fs = std::filesystem;
using installer_test::BuiltProgram;
using installer_test::ProgramRun;
using installer_test::RunProgram;

namespace {

class ProgramEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::path(ORLEND_BINARY_DIR) / "program-edges" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(work_);
    fs::create_directories(work_ / "runtime");
    fs::create_directories(work_ / "program");
    // The program alone in its folder (the command and the handheld program it hands over to):
    // no database, no libraries beside it.
    for (const char* name : {"orlend-dict", "orlend-dict-handheld"})
      fs::copy_file(BuiltProgram(name), work_ / "program" / name);
  }
  void TearDown() override { fs::remove_all(work_); }
  // Runs with its own runtime folder, so the instances it registers are its own to see.
  ProgramRun Run(const std::string& program, const std::vector<std::string>& args, std::vector<std::string> env,
                 int seconds = 60) {
    env.push_back("XDG_RUNTIME_DIR=" + (work_ / "runtime").string());
    env.push_back("SDL_AUDIODRIVER=dummy");
    env.push_back("ORLEND_BACKEND=");
    return RunProgram(program, args, work_.string(), env, seconds);
  }
  bool RegisteredAnything() {
    fs::path instances = work_ / "runtime" / "orlend-windows";
    return fs::exists(instances) && !fs::is_empty(instances);
  }
  fs::path work_;
};

// Without a display the window programs say so and end at once, registering nothing a later
// start could hand over to; the setup launcher says so too and ends with 0.
TEST_F(ProgramEdges, WithoutADisplayTheProgramsSaySoAndEnd) {
  std::vector<std::string> noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="};
  for (const char* name : {"orlend-dict", "orlend-dict-installer"}) {
    auto start = std::chrono::steady_clock::now();
    ProgramRun run = Run(BuiltProgram(name), {}, noDisplay, 20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << name;
    EXPECT_NE(run.code, 0) << name;
    EXPECT_NE(run.code, -1) << name;
    EXPECT_NE(run.err.find("display"), std::string::npos) << name << ": " << run.err;
    EXPECT_FALSE(RegisteredAnything()) << name;
  }
  ProgramRun setup = Run(BuiltProgram("orlend-setup"), {}, noDisplay, 20);
  EXPECT_EQ(setup.code, 0);
  EXPECT_NE(setup.err.find("display"), std::string::npos) << setup.err;

  // Asked for, the headless screen needs no display.
  fs::path script = work_ / "end.script";
  std::ofstream(script) << "1000 end\n";
  ProgramRun headless = Run(BuiltProgram("orlend-dict-installer"), {"--headless", "--script", script.string()}, noDisplay);
  EXPECT_EQ(headless.code, 0) << headless.err;
}

// An empty font configuration: one clear line instead of a window of blank texts.
TEST_F(ProgramEdges, WithoutAnyFontTheProgramRefusesWithOneLine) {
  fs::path config = work_ / "fonts.conf";
  std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  ProgramRun run = Run(BuiltProgram("orlend-dict-installer"), {"--headless"},
                       {"FONTCONFIG_FILE=" + config.string(), "FONTCONFIG_PATH=" + work_.string()});
  EXPECT_NE(run.code, 0);
  EXPECT_NE(run.code, -1);
  EXPECT_NE(run.err.find("no font"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

// `end` while a message box waits ends the run as at the main loop; a FIFO for the options
// file or the database is no file to wait on (the database "can not be read").
TEST_F(ProgramEdges, AScriptEndsInsideAMessageBoxAndAFifoIsNoOptionsFile) {
  ASSERT_EQ(mkfifo((work_ / "program" / "vemora.opt").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((work_ / "program" / "cedict.gb.dat").c_str(), 0644), 0);
  fs::path script = work_ / "end.script";
  std::ofstream(script) << "1000 end\n";
  ProgramRun run = Run((work_ / "program" / "orlend-dict").string(), {"--headless", "--script", script.string()}, {});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err.find("stalled"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_regular_file(work_ / "program" / "vemora.opt"));  // made afresh beside the FIFO's name

  // A script that is no regular file is refused with its reason, never read for ever.
  for (const char* bad : {"/dev/zero", "."}) {
    ProgramRun refused = Run((work_ / "program" / "orlend-dict").string(), {"--headless", "--script", bad}, {}, 20);
    EXPECT_EQ(refused.code, 2) << bad << ": " << refused.err;
    EXPECT_NE(refused.err.find("cannot read the script"), std::string::npos) << bad << ": " << refused.err;
  }
}

// A program installed in a folder whose name is no UTF-8 finds its own files there.
TEST_F(ProgramEdges, AProgramInAFolderNamedInBytesFindsItsFiles) {
  fs::path folder = work_ / "caf\xE9";
  fs::create_directories(folder);
  for (const char* name : {"orlend-dict", "orlend-dict-handheld"})
    fs::copy_file(work_ / "program" / name, folder / name);
  std::vector<BYTE> image = program_test::DatabaseImage(program_test::kGbLines);
  std::ofstream(folder / "cedict.gb.dat", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  ProgramRun run = Run((folder / "orlend-dict").string(), {"--query", "beijing"}, {});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("北京"), std::string::npos) << run.out;
}

}  // namespace
