#include "installer/command_line.h"

#include <gtest/gtest.h>

#include "installer_test_files.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

int RunCommand(std::vector<std::string> args) {
  args.insert(args.begin(), "orlend-dict-installer");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return RunInstallerCommandLine(static_cast<int>(args.size()), argv.data());
}

}  // namespace

TEST(InstallerCommandLine, ConvertsEitherKindOfSource) {
  fs::path folder = FreshFolder("command_line");
  WriteBytes(folder / "cedict.b5", "# header\r\n\xA4\xA4 [zhong1] /middle/\r\n");
  EXPECT_EQ(RunCommand({"--convert", (folder / "cedict.b5").string()}), COMMAND_LINE_OK);
  EXPECT_EQ(ReadBytes(folder / "cedict.b5.dat"), Database({u"# header", u"中 [zhong1] /middle/"}));

  WriteBytes(folder / "cedict_ts.u8", "#! charset=UTF-8\n中國 中国 [Zhong1 guo2] /China/\n");
  EXPECT_EQ(RunCommand({"--convert", (folder / "cedict_ts.u8").string()}), COMMAND_LINE_OK);
  EXPECT_TRUE(fs::exists(folder / "cedict.gb.dat"));
  std::string b5 = ReadBytes(folder / "cedict.b5.dat");
  EXPECT_EQ(b5.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
}

TEST(InstallerCommandLine, UsageAndFailuresGiveTheirExitCodes) {
  fs::path folder = FreshFolder("command_line_bad");
  EXPECT_EQ(RunCommand({}), COMMAND_LINE_USAGE);
  EXPECT_EQ(RunCommand({"--convert"}), COMMAND_LINE_USAGE);
  EXPECT_EQ(RunCommand({"--convert", ""}), COMMAND_LINE_USAGE);
  EXPECT_EQ(RunCommand({"--frobnicate", "x"}), COMMAND_LINE_USAGE);
  EXPECT_EQ(RunCommand({"--convert", "a", "b"}), COMMAND_LINE_USAGE);
  EXPECT_EQ(RunCommand({"--convert", (folder / "missing.gb").string()}), COMMAND_LINE_FAILED);
  EXPECT_FALSE(fs::exists(folder / "missing.gb.dat"));
  EXPECT_EQ(RunCommand({"--convert", (folder / std::string(300, 'x')).string()}), COMMAND_LINE_FAILED);
}
