#include "device/shell/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "device/shell/program_folder.h"
#include "tests/shell/program_fixture.h"
#include "platform/utf.h"

namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = program_test::ScratchProgramFolder("settings");
  }
  void TearDown() override { ClearSettings(); }

  fs::path File() const { return folder_ / "vemora.set"; }
  void Write(const std::string& bytes) const {
    std::ofstream out(File(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string Read() const {
    std::ifstream in(File(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static std::string Value(const char* key) {
    const char* v = GetSetting(key);
    return v ? v : "(unset)";
  }

  fs::path folder_;
};

// Every key comes back as read, an unknown one included, in its place; a changed value
// is replaced where it stands, a new key goes last, and no temporary is left behind.
TEST_F(SettingsFile, KeysRoundTripAndUnknownOnesAreKept) {
  Write("later.option=on\r\nsearches=中国\thello\nsearches=china\n");
  ReadSettings();
  EXPECT_EQ(Value("later.option"), "on");
  EXPECT_EQ(Value("searches"), "china");  // the last of a repeated key
  SetSetting("history", "3:吃");
  SetSetting("later.option", "off\nsmuggled=1");
  ASSERT_EQ(WriteSettings(), 1);
  EXPECT_EQ(Read(), "later.option=off\nsearches=china\nhistory=3:吃\n");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) ++files;
  EXPECT_EQ(files, 1);
}

// Bad files load what is valid: an empty or missing one nothing; binary lines, lines
// without a key and a last line cut before its line feed are dropped.
TEST_F(SettingsFile, BadFilesLoadWhatIsValid) {
  ReadSettings();
  EXPECT_EQ(Value("a"), "(unset)");
  Write("");
  ReadSettings();
  EXPECT_EQ(Value("a"), "(unset)");

  Write(std::string("a=1\n\xff\xfe\x01=2\nb=x\0y\nc=\xc0\xaf\n=orphan\nnoequals\nd=4\n", 42) + "e=5");
  ReadSettings();
  EXPECT_EQ(Value("a"), "1");
  EXPECT_EQ(Value("b"), "(unset)");
  EXPECT_EQ(Value("c"), "(unset)");  // an overlong '/'
  EXPECT_EQ(Value("d"), "4");
  EXPECT_EQ(Value("e"), "(unset)");  // cut: "e=5" may have been "e=57"
}

// Reading stops at its limit: the lines before it load, the one it cuts and the rest do not.
TEST_F(SettingsFile, AHugeFileLoadsWhatComesBeforeTheLimit) {
  std::string bytes = "first=1\n";
  bytes += "filler=" + std::string(SETTINGS_READ_LIMIT, 'x') + "\n";
  bytes += "last=2\n";
  Write(bytes);
  ReadSettings();
  EXPECT_EQ(Value("first"), "1");
  EXPECT_EQ(Value("filler"), "(unset)");
  EXPECT_EQ(Value("last"), "(unset)");
}

// A FIFO in the file's place is not opened for reading, so start-up never waits on it.
TEST_F(SettingsFile, AFifoNeverBlocksReading) {
  ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0);
  ReadSettings();
  EXPECT_EQ(Value("a"), "(unset)");
}

}  // namespace
