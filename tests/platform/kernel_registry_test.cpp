#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/windows.h"

namespace {

const WCHAR* kAppPaths = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = std::filesystem::temp_directory_path() / ("orlend_registry_" + std::to_string(::getpid()) + ".reg");
    std::filesystem::remove(file_);
    ::setenv("ORLEND_REGISTRY", file_.c_str(), 1);
  }
  void TearDown() override {
    std::filesystem::remove(file_);
    ::unsetenv("ORLEND_REGISTRY");
  }
  std::filesystem::path file_;
};

TEST_F(Registry, MissingKeyAndValue) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPaths, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  std::ofstream(file_) << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE]\n";
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPaths, 0, KEY_READ, &key), ERROR_SUCCESS);
  BYTE data[16];
  DWORD size = sizeof data;
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(Registry, DefaultValueWrittenAndReadBackCaseInsensitively) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPaths, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const WCHAR value[] = u"/opt/link/ceappmgr \"quoted\"";
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value),
            ERROR_SUCCESS);
  RegCloseKey(key);

  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\microsoft\\windows\\currentversion\\app paths\\ceappmgr.exe",
                          0, KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof value);
  WCHAR small[4];
  DWORD smallSize = sizeof small;
  EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(small), &smallSize),
            ERROR_MORE_DATA);
  WCHAR out[64];
  size = sizeof out;
  ASSERT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(out), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(out), value);
  RegCloseKey(key);
}

}  // namespace
