#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "platform/utf.h"
#include "setup/setup_launcher.h"

namespace fs = std::filesystem;

namespace {

// A headless desktop, a private registry file and a fake application manager that
// writes down the arguments it was started with.
class SetupLauncher : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("orlend_setup_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "cd");
    ::setenv("ORLEND_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    manager_ = dir_ / "ceappmgr";
    std::ofstream(manager_) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << (dir_ / "args").string()
                            << "'\n";
    fs::permissions(manager_, fs::perms::owner_all);
    platform::Options options;
    options.backend = platform::BackendKind::Headless;
    options.screen = platform::ScreenKind::Desktop;
    ASSERT_TRUE(platform::Start(options));
    saved_ = fs::current_path();
    fs::current_path(dir_ / "cd");
  }
  void TearDown() override {
    fs::current_path(saved_);
    platform::Shutdown();
    ::unsetenv("ORLEND_REGISTRY");
    fs::remove_all(dir_);
  }
  void Register(const std::u16string& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE", 0, nullptr,
                              0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (!value.empty())
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * 2));
    RegCloseKey(key);
  }
  // The arguments the fake manager received, waiting for it to finish writing them.
  std::string Arguments() {
    for (int i = 0; i < 500 && !fs::exists(dir_ / "args"); ++i) ::usleep(10000);
    ::usleep(20000);
    std::ifstream in(dir_ / "args");
    std::string all, line;
    while (std::getline(in, line)) all += line + "|";
    return all;
  }
  int MessageBoxes(const std::u16string& text) {
    int n = 0;
    for (const auto& r : platform::headless::Records())
      if (r.call == "MessageBox" && r.text == text) ++n;
    return n;
  }
  int MessageBoxesSaying(const std::u16string& part) {
    int n = 0;
    for (const auto& r : platform::headless::Records())
      if (r.call == "MessageBox" && r.text.find(part) != std::u16string::npos) ++n;
    return n;
  }
  fs::path dir_, manager_, saved_;
};

const std::u16string kMissing =
    u"Can not find ActiveSync. Please reinstall ActiveSync and than run this installation again.";

TEST_F(SetupLauncher, WithoutArgumentsNamesInstallIniOfTheCurrentFolder) {
  Register(platform::Utf16FromUtf8(manager_.string()));
  WCHAR none[] = u"";
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(Arguments(), (dir_ / "cd").string() + "\\install.ini|");
  EXPECT_EQ(MessageBoxes(kMissing), 0);
}

TEST_F(SetupLauncher, AnArgumentIsPassedUnchanged) {
  Register(platform::Utf16FromUtf8(manager_.string()));
  WCHAR argument[] = u"\"D:\\pkg\\other.ini\"";
  SetupLauncherMain(nullptr, argument, 1);
  EXPECT_EQ(Arguments(), "D:\\pkg\\other.ini|");
}

TEST_F(SetupLauncher, MissingKeyOrValueShowsTheMessage) {
  WCHAR none[] = u"";
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(MessageBoxes(kMissing), 1);
  Register(u"");  // the key without its default value
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(MessageBoxes(kMissing), 2);
  EXPECT_FALSE(fs::exists(dir_ / "args"));
}

TEST_F(SetupLauncher, AManagerThatCannotStartIsNotAnError) {
  Register(platform::Utf16FromUtf8((dir_ / "absent").string()));
  WCHAR none[] = u"";
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(MessageBoxes(kMissing), 0);
}

// A current folder whose name holds a double quote would end the quoted path and add
// arguments of its own; one that cannot be read would name "\install.ini". Neither starts
// anything: the box says why.
TEST_F(SetupLauncher, AFolderThatCannotBeNamedOnTheLineStartsNothing) {
  Register(platform::Utf16FromUtf8(manager_.string()));
  WCHAR none[] = u"";
  fs::create_directories(dir_ / "x\" --evil \"y");
  fs::current_path(dir_ / "x\" --evil \"y");
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(MessageBoxesSaying(u"holds a double quote"), 1);
  fs::create_directories(dir_ / "gone");
  fs::current_path(dir_ / "gone");
  fs::remove(dir_ / "gone");
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(MessageBoxesSaying(u"cannot be read"), 1);
  fs::current_path(dir_);
  ::usleep(200000);  // time for a manager that should not have started
  EXPECT_FALSE(fs::exists(dir_ / "args"));
}

// The registry in a folder that another user owns or can write to names a manager that
// user chose: it is not used, as if there were none.
TEST_F(SetupLauncher, ARegistryInAFolderOthersControlIsNotUsed) {
  Register(platform::Utf16FromUtf8(manager_.string()));
  WCHAR none[] = u"";
  fs::permissions(dir_, fs::perms::all);
  EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
  EXPECT_EQ(MessageBoxes(kMissing), 1);
  fs::permissions(dir_, fs::perms::others_write | fs::perms::group_write, fs::perm_options::remove);
  if (::geteuid() == 0 && ::chown(dir_.c_str(), 65534, 65534) == 0) {
    EXPECT_EQ(SetupLauncherMain(nullptr, none, 1), 0);
    EXPECT_EQ(MessageBoxes(kMissing), 2);
    EXPECT_EQ(::chown(dir_.c_str(), 0, 0), 0);
  }
  ::usleep(200000);
  EXPECT_FALSE(fs::exists(dir_ / "args"));
}

}  // namespace
