// The setup launcher reads the application manager's path from a registry value
// that anything on the desktop may have written: too long, of another type, or
// in a registry file that is damaged. It never reads past the value and either
// starts what the value names or shows its message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "platform/utf.h"
#include "setup/setup_launcher.h"

namespace fs = std::filesystem;

namespace {

const std::u16string Missing =
    u"Can not find ActiveSync. Please reinstall ActiveSync and than run this installation again.";
const char Section[] = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE]";

class RegistryValue : public ::testing::Test {
 protected:
  void SetUp() override
  {
    dir_ = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "reliability" / ("registry-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("ORLEND_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    platform::Options options;
    options.backend = platform::BackendKind::Headless;
    options.screen = platform::ScreenKind::Desktop;
    ASSERT_TRUE(platform::Start(options));
  }
  void TearDown() override
  {
    platform::Shutdown();
    unsetenv("ORLEND_REGISTRY");
    fs::remove_all(dir_);
  }
  void WriteRegistry(const std::string& text) { std::ofstream(dir_ / "registry.reg", std::ios::binary) << text; }
  // Runs the launcher without arguments; 1 when it showed its message.
  int Launch()
  {
    platform::headless::ClearRecords();
    WCHAR none[] = u"";
    EXPECT_EQ(0, SetupLauncherMain(nullptr, none, 1));
    int boxes = 0;
    for (const auto& record : platform::headless::Records())
      if (record.call == "MessageBox" && record.text == Missing) boxes++;
    return boxes;
  }
  fs::path dir_;
};

TEST_F(RegistryValue, APathLongerThanTheBufferIsNotFound)
{
  // 259 units and the terminator fill the 260-unit buffer: tried (and absent).
  std::string fits = (dir_ / "").string();
  fits += std::string(259 - fits.size(), 'm');
  WriteRegistry(std::string(Section) + "\n@=\"" + fits + "\"\n");
  EXPECT_EQ(0, Launch());
  WriteRegistry(std::string(Section) + "\n@=\"" + fits + "m\"\n");
  EXPECT_EQ(1, Launch());
  WriteRegistry(std::string(Section) + "\n@=\"" + std::string(100000, 'x') + "\"\n");
  EXPECT_EQ(1, Launch());
}

// The value's type is not examined: a number is taken as a (meaningless) path,
// which cannot be started; an empty text likewise.
TEST_F(RegistryValue, ValuesOfAnotherTypeOrEmptyStartNothing)
{
  WriteRegistry(std::string(Section) + "\n@=dword:00414141\n");
  EXPECT_EQ(0, Launch());
  WriteRegistry(std::string(Section) + "\n@=\"\"\n");
  EXPECT_EQ(0, Launch());
  WriteRegistry(std::string(Section) + "\n@=\"" + std::string("\xE4\xB8\xAD\xFF\xFE\x80", 6) + "\"\n");
  EXPECT_EQ(0, Launch());
}

TEST_F(RegistryValue, DamagedRegistryFilesNeverCrashTheLauncher)
{
  // A missing ']' or closing quote is forgiven; what still names a program is tried.
  const std::string absent = (dir_ / "absent").string();
  const std::string damaged[] = {
      std::string("\0\xFF\x7F garbage\n\n\n", 14),
      std::string(Section, sizeof Section - 2) + "\n@=\"" + absent,  // no ']', no closing quote
      std::string(Section) + "\n@=\"" + absent + "\\",               // ends in an escape
      std::string(Section) + "\n@",                                  // a value without '='
      std::string(Section) + "\n\"name\"=\"x\"\n@=dword:",           // a number without digits
      "[\n]\n@=\"x\"\n[]\n",                                        // values outside any key
  };
  const int expected[] = {1, 0, 0, 1, 0, 1};
  for (size_t i = 0; i < sizeof damaged / sizeof damaged[0]; i++) {
    SCOPED_TRACE("registry file " + std::to_string(i));
    WriteRegistry(damaged[i]);
    EXPECT_EQ(expected[i], Launch());
  }
  // The registry file replaced by a folder: as if there were none.
  fs::remove(dir_ / "registry.reg");
  fs::create_directories(dir_ / "registry.reg");
  EXPECT_EQ(1, Launch());
}

}  // namespace
