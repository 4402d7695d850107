#include "device/shell/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "device/shell/program_folder.h"
#include "tests/shell/program_fixture.h"
#include "platform/file_faults.h"
#include "platform/utf.h"

namespace fs = std::filesystem;

namespace {

class OptionsFile : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = program_test::ScratchProgramFolder("options");
    // As at start-up: nothing read yet.
    for (LONG& option : Options) option = 0;
  }
  void TearDown() override { platform::ClearFileFaults(); }

  fs::path File() const { return folder_ / "vemora.opt"; }
  void Write(const std::string& bytes) const {
    std::ofstream out(File(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string Read() const {
    std::ifstream in(File(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Names in the folder besides the options file (temporary files left behind).
  std::string Others() const {
    std::string names;
    for (const auto& entry : fs::directory_iterator(folder_))
      if (entry.path().filename() != "vemora.opt") names += entry.path().filename().string() + " ";
    return names;
  }

  fs::path folder_;
};

std::string Record(LONG a, LONG b, LONG c, LONG d, LONG e) {
  std::string bytes;
  for (LONG v : {a, b, c, d, e}) {
    for (int i = 0; i < 4; i++) bytes += static_cast<char>((static_cast<DWORD>(v) >> (8 * i)) & 0xFF);
  }
  return bytes;
}

}  // namespace

TEST_F(OptionsFile, FirstStartCreatesTwentyZeroBytes) {
  ReadOptions();
  EXPECT_EQ(Read(), std::string(20, '\0'));
  for (int i = 0; i < OPTION_COUNT; i++) EXPECT_EQ(GetOption(i), 0);

  // The start-up sequence: the database choice, then "started".
  SetOption(OPTION_DATABASE, 2);
  SetOption(OPTION_STARTED, 1);
  EXPECT_EQ(Read(), Record(1, 0, 0, 2, 0));
  EXPECT_EQ(Others(), "");
}

TEST_F(OptionsFile, ReservedFieldsAreWrittenBackAsRead) {
  Write(Record(1, -7, 0x12345678, 1, -2147483647 - 1));
  ReadOptions();
  EXPECT_EQ(GetOption(1), -7);
  EXPECT_EQ(GetOption(2), 0x12345678);
  EXPECT_EQ(GetOption(3), 1);
  EXPECT_EQ(GetOption(4), -2147483647 - 1);
  SetOption(OPTION_DATABASE, 2);
  EXPECT_EQ(Read(), Record(1, -7, 0x12345678, 2, -2147483647 - 1));
}

// Cut at every length: each byte the file has lands in the record, the rest
// stay 0, and reading never rewrites a file that opened.
TEST_F(OptionsFile, ShortFilesFillOnlyWhatTheyCover) {
  const std::string full = Record(0x04030201, 0x08070605, 0x0C0B0A09, 0x100F0E0D, 0x14131211);
  for (size_t length = 0; length <= 20; length++) {
    for (LONG& option : Options) option = 0;
    Write(full.substr(0, length));
    ReadOptions();
    std::string expected = full.substr(0, length) + std::string(20 - length, '\0');
    for (int i = 0; i < OPTION_COUNT; i++) {
      LONG value = 0;
      for (int k = 0; k < 4; k++) value |= static_cast<LONG>(static_cast<BYTE>(expected[i * 4 + k])) << (8 * k);
      EXPECT_EQ(GetOption(i), value) << "length " << length << " field " << i;
    }
    EXPECT_EQ(Read().size(), length);
  }
  // The 12-byte file of an older version: no saved database.
  for (LONG& option : Options) option = 0;
  Write(Record(1, 0, 0, 0, 0).substr(0, 12));
  ReadOptions();
  EXPECT_EQ(GetOption(OPTION_DATABASE), 0);
}

TEST_F(OptionsFile, LongAndGarbageFilesAreReadAsBytes) {
  static const char bytes[] = "\xFF\xFF\xFF\xFF" "abcd" "\x00\x00\x00\x80" "\x07\x00\x00\x00" "\xFE\xFF\xFF\xFF" "tail that is ignored";
  const std::string garbage(bytes, sizeof(bytes) - 1);
  Write(garbage);
  ReadOptions();
  EXPECT_EQ(GetOption(0), -1);
  EXPECT_EQ(GetOption(1), 0x64636261);
  EXPECT_EQ(GetOption(2), -2147483647 - 1);
  EXPECT_EQ(GetOption(3), 7);
  EXPECT_EQ(GetOption(4), -2);
  EXPECT_EQ(Read(), garbage);  // reading changes nothing
  ASSERT_EQ(WriteOptions(), 1);
  EXPECT_EQ(Read(), garbage.substr(0, 20));
}

TEST_F(OptionsFile, IndicesOutsideTheRecord) {
  ReadOptions();
  EXPECT_EQ(GetOption(-1), -1);
  EXPECT_EQ(GetOption(5), -1);
  EXPECT_EQ(GetOption(-100), -1);
  SetOption(5, 9);
  SetOption(-1, 9);
  EXPECT_EQ(Read(), std::string(20, '\0'));
}

TEST_F(OptionsFile, AFailedWriteKeepsTheOldFile) {
  const std::string old = Record(1, 2, 3, 1, 5);
  Write(old);
  ReadOptions();
  platform::FileFaults full;
  full.pathContains = "vemora";
  full.writeBudget = 7;
  platform::SetFileFaults(full);
  Options[OPTION_DATABASE] = 2;
  EXPECT_EQ(WriteOptions(), 0);
  SetOption(OPTION_STARTED, 0);  // the result is ignored; the file must survive it too
  platform::ClearFileFaults();
  EXPECT_EQ(Read(), old);
  EXPECT_EQ(Others(), "");
  EXPECT_EQ(GetOption(OPTION_DATABASE), 2);  // memory keeps the change
}

TEST_F(OptionsFile, AMissingFolderLeavesZerosAndNoFile) {
  Options[3] = 4;
  SetProgramFolder(platform::Utf16FromUtf8((folder_ / "gone").string() + "/").c_str());
  ReadOptions();
  for (int i = 0; i < OPTION_COUNT; i++) EXPECT_EQ(GetOption(i), 0);
  EXPECT_EQ(WriteOptions(), 0);
  EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

// A link planted at the old temporary name in the program folder is never written through:
// its target keeps its bytes and the options file is a file of its own.
TEST_F(OptionsFile, APlantedLinkIsNeverWrittenThrough) {
  fs::path victim = folder_.parent_path() / (folder_.filename().string() + ".victim");
  std::ofstream(victim) << "precious";
  fs::create_symlink(victim, folder_ / "vemora.opt.new");
  ReadOptions();
  SetOption(OPTION_DATABASE, 1);
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "precious");
  EXPECT_FALSE(fs::is_symlink(File()));
  EXPECT_EQ(Read(), Record(0, 0, 0, 1, 0));
  fs::remove(victim);
}
