// orlend-dict-installer run as a program: ending from the window, and the transfer from
// the command line into a temporary handheld.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "installer_test_files.h"
#include "program_runner.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

class InstallerProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    work_ = FreshFolder("program/" + name);
    root_ = work_ / "handheld";
    fs::create_directories(ProgramFolder());
  }
  fs::path ProgramFolder() const { return root_ / "program files" / "orlend's chinese dictionary"; }
  ProgramRun Installer(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<std::string> all = {"ORLEND_HANDHELD_ROOT=" + root_.string(), "ORLEND_RAPI_SIMULATE=",
                                    "ORLEND_SYSTEM_DIR=", "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    all.insert(all.end(), env.begin(), env.end());
    return RunProgram(BuiltProgram("orlend-dict-installer"), args, (fs::path(ORLEND_BINARY_DIR) / "bin").string(),
                      all);
  }
  fs::path work_, root_;
};

// The window's Exit button and its caption bar's close box end the process at once: a
// snapshot asked for later in the script is never taken.
TEST_F(InstallerProgram, ExitAndTheCloseBoxEndTheProgramAtOnce) {
  const struct {
    const char* what;
    int x, y;
  } ends[] = {{"Exit", 420 + 372 + 12, 224 + 518 + 12}, {"close box", 420 + 424, 224 + 11}};
  for (const auto& end : ends) {
    fs::path script = work_ / "end.script", later = work_ / "later.png";
    WriteBytes(script, "500 tap " + std::to_string(end.x) + " " + std::to_string(end.y) + "\n+3000 snapshot " +
                           later.string() + "\n");
    ProgramRun run = Installer({"--headless", "--script", script.string()});
    EXPECT_EQ(run.code, 0) << end.what << run.err;
    EXPECT_FALSE(fs::exists(later)) << end.what;
    EXPECT_NE(run.err.find("CeRapiInit = "), std::string::npos);
    EXPECT_EQ(run.err.find("CeRapiInit = 0\n"), std::string::npos) << "the stand-in is beside the program";
  }
}

TEST_F(InstallerProgram, ConvertsAndTransfersWithoutAWindow) {
  WriteBytes(work_ / "cedict.gb", "\xD6\xD0 [zhong1] /middle/\r\n");
  ProgramRun run = Installer({"--convert", (work_ / "cedict.gb").string(), "--transfer"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("program files//orlend's chinese dictionary//cedict.gb.dat"), std::string::npos) << run.out;
  EXPECT_EQ(ReadBytes(ProgramFolder() / "cedict.gb.dat"), Database({u"中 [zhong1] /middle/"}));

  // CC-CEDICT's list gives both databases, and both go over.
  WriteBytes(work_ / "cedict_ts.u8", "#! charset=UTF-8\n中國 中国 [Zhong1 guo2] /China/\n");
  run = Installer({"--convert", (work_ / "cedict_ts.u8").string(), "--transfer"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadBytes(ProgramFolder() / "cedict.b5.dat"), ReadBytes(work_ / "cedict.b5.dat"));
  EXPECT_EQ(ReadBytes(ProgramFolder() / "cedict.gb.dat"), ReadBytes(work_ / "cedict.gb.dat"));

  // An already converted file goes under its own name.
  fs::remove(ProgramFolder() / "cedict.b5.dat");
  run = Installer({"--transfer", (work_ / "cedict.b5.dat").string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadBytes(ProgramFolder() / "cedict.b5.dat"), ReadBytes(work_ / "cedict.b5.dat"));
}

TEST_F(InstallerProgram, AFailedTransferEndsWithAnErrorAndItsReason) {
  WriteBytes(work_ / "cedict.gb.dat", std::string(30000, 'x'));
  const struct {
    const char* simulate;
    const char* reason;
  } cases[] = {{"ORLEND_RAPI_SIMULATE=init-fail", "does not appear to be connected to you PC"},
               {"ORLEND_RAPI_SIMULATE=write-fail:20000", "could not be written completely"}};
  for (const auto& c : cases) {
    ProgramRun run = Installer({"--transfer", (work_ / "cedict.gb.dat").string()}, {c.simulate});
    EXPECT_EQ(run.code, 1) << c.simulate;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
  }
  fs::remove_all(root_ / "program files");
  ProgramRun run = Installer({"--transfer", (work_ / "cedict.gb.dat").string()});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("Error connected to your Pocket PC device."), std::string::npos) << run.err;
  EXPECT_EQ(Installer({"--transfer"}).code, 2);
  EXPECT_EQ(Installer({"--transfer", "a.dat", "b.dat"}).code, 2);
}

// A FIFO given as the list or the database is refused at once (its open would wait for a
// writer for ever); the paths printed as the result are checked, so a full disk under
// standard output is a failure; a source folder whose name is no UTF-8 still converts.
TEST_F(InstallerProgram, FifosLostOutputAndByteNamedFoldersAreHandled) {
  ASSERT_EQ(mkfifo((work_ / "cedict.gb").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((work_ / "fifo.dat").c_str(), 0644), 0);
  ProgramRun source = Installer({"--convert", (work_ / "cedict.gb").string()});
  EXPECT_EQ(source.code, 1) << source.err;
  EXPECT_NE(source.err.find("could not be opened"), std::string::npos) << source.err;
  ProgramRun database = Installer({"--transfer", (work_ / "fifo.dat").string()});
  EXPECT_EQ(database.code, 1) << database.err;

  fs::path latin1 = work_ / "caf\xE9";
  fs::create_directories(latin1);
  WriteBytes(latin1 / "cedict.gb", "\xD6\xD0 [zhong1] /middle/\r\n");
  ProgramRun cafe = Installer({"--convert", (latin1 / "cedict.gb").string()});
  EXPECT_EQ(cafe.code, 0) << cafe.err;
  EXPECT_EQ(ReadBytes(latin1 / "cedict.gb.dat"), Database({u"中 [zhong1] /middle/"}));

  ProgramRun full = RunProgram("/bin/sh", {"-c", "exec \"$0\" \"$@\" >/dev/full", BuiltProgram("orlend-dict-installer"),
                                           "--convert", (latin1 / "cedict.gb").string()},
                               work_.string());
  EXPECT_EQ(full.code, 2);
  EXPECT_NE(full.err.find("cannot write to standard output"), std::string::npos) << full.err;
}

}  // namespace
