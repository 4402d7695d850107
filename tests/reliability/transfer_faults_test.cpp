// The copy of a converted database to the handheld when the handheld's storage fills
// (or a write fails) at any point of the transfer, when the file is closed badly, and
// when the converted file on the desktop cannot be read: through the real remote API
// stand-in, as the installer does it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/device_transfer.h"
#include "installer/remote_api.h"
#include "platform/file_faults.h"
#include "platform/utf.h"
#include "tests/installer/installer_test_files.h"
#include "tests/support/headless_screen.h"

namespace fs = std::filesystem;
using installer_test::ReadBytes;
using installer_test::WriteBytes;

namespace {

struct Events {
  std::vector<std::string> list;  // "open", "close", "failed <message>"
  TransferHooks Hooks()
  {
    TransferHooks hooks;
    hooks.context = this;
    hooks.OpenProgress = [](void* c, const WCHAR*, int) { static_cast<Events*>(c)->list.push_back("open"); };
    hooks.SetProgress = nullptr;
    hooks.CloseProgress = [](void* c) { static_cast<Events*>(c)->list.push_back("close"); };
    hooks.Failed = [](void* c, const WCHAR* message) {
      static_cast<Events*>(c)->list.push_back("failed " + platform::Utf8FromUtf16(message));
    };
    return hooks;
  }
};

std::string Failed(const WCHAR* message) { return "failed " + platform::Utf8FromUtf16(message); }

class TransferFaults : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_TRUE(screen_.ok());
    folder_ = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "reliability" /
              (std::string("transfer-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "desktop");
    fs::create_directories(folder_ / "handheld" / "program files" / "orlend's chinese dictionary");
    ::setenv("ORLEND_HANDHELD_ROOT", (folder_ / "handheld").c_str(), 1);
    ::unsetenv("ORLEND_RAPI_SIMULATE");
    ::unsetenv("ORLEND_SYSTEM_DIR");  // the stand-in beside the test program
    saved_ = RemoteApiEntries;
    ASSERT_EQ(1, LoadRemoteApi());
    ASSERT_EQ(1, RemoteApiUsable());

    // Three whole blocks and a remainder; every byte tells its place.
    local_.resize(3 * TRANSFER_BLOCK_SIZE + 4520);
    for (size_t i = 0; i < local_.size(); i++) local_[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    WriteBytes(LocalFile(), local_);
  }
  void TearDown() override
  {
    platform::ClearFileFaults();
    ::unsetenv("ORLEND_RAPI_SIMULATE");
    ::unsetenv("ORLEND_HANDHELD_ROOT");
    RemoteApiEntries = saved_;
  }

  fs::path LocalFile() const { return folder_ / "desktop" / "cedict.gb.dat"; }
  fs::path DeviceFile() const
  {
    return folder_ / "handheld" / "program files" / "orlend's chinese dictionary" / "cedict.gb.dat";
  }
  int Copy(Events* events)
  {
    TransferHooks hooks = events->Hooks();
    std::u16string local = platform::Utf16FromUtf8(LocalFile().string());
    return CopyToDeviceWith(local.c_str(), DEVICE_FOLDER u"cedict.gb.dat", &hooks);
  }
  // The connection is released after every copy: a file cannot be made without one.
  bool ConnectionReleased()
  {
    HANDLE file = RemoteApiEntries.CeCreateFile(DEVICE_FOLDER u"probe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    RemoteApiEntries.CeCloseHandle(file);
    return false;
  }

  test::HeadlessScreen screen_{platform::ScreenKind::Desktop};
  fs::path folder_;
  std::string local_;
  RemoteApi saved_{};
};

}  // namespace

// The handheld's storage gives out after `budget` bytes: before the first byte, inside
// and at the edges of every block, in the remainder and one byte short of the end. The
// copy says so, stops at the failed write (nothing lands at a wrong place after it),
// closes its progress window and releases the connection; the handheld holds exactly the
// bytes it took. Pressing Transfer again once there is room installs the whole file.
TEST_F(TransferFaults, AWriteThatFailsAnywhereIsReportedAndARetryInstallsTheWholeFile)
{
  const long long size = static_cast<long long>(local_.size());
  std::vector<long long> budgets = {0, 1, size - 1};
  for (long long edge = TRANSFER_BLOCK_SIZE; edge < size; edge += TRANSFER_BLOCK_SIZE)
    for (long long d : {-1, 0, 1}) budgets.push_back(edge + d);
  budgets.push_back(3 * TRANSFER_BLOCK_SIZE + 2000);

  for (long long budget : budgets) {
    SCOPED_TRACE("the handheld takes " + std::to_string(budget) + " of " + std::to_string(size) + " bytes");
    WriteBytes(DeviceFile(), "an older database");
    ::setenv("ORLEND_RAPI_SIMULATE", ("write-fail:" + std::to_string(budget)).c_str(), 1);
    Events events;
    EXPECT_EQ(0, Copy(&events));
    EXPECT_EQ((std::vector<std::string>{"open", "close", Failed(TRANSFER_WRITE_FAILED)}), events.list);
    EXPECT_EQ(local_.substr(0, static_cast<size_t>(budget)), ReadBytes(DeviceFile()));
    EXPECT_TRUE(ConnectionReleased());

    ::unsetenv("ORLEND_RAPI_SIMULATE");
    Events retry;
    EXPECT_EQ(1, Copy(&retry));
    EXPECT_EQ((std::vector<std::string>{"open", "close"}), retry.list);
    EXPECT_EQ(local_, ReadBytes(DeviceFile()));
  }

  // Room for exactly the file: a success, the file whole.
  ::setenv("ORLEND_RAPI_SIMULATE", ("write-fail:" + std::to_string(size)).c_str(), 1);
  Events exact;
  EXPECT_EQ(1, Copy(&exact));
  EXPECT_EQ(local_, ReadBytes(DeviceFile()));
}

// Every byte written, but the handheld's file does not close cleanly: the file may be
// incomplete there, so it is no success.
TEST_F(TransferFaults, AFileThatDoesNotCloseCleanlyIsAFailure)
{
  ::setenv("ORLEND_RAPI_SIMULATE", "close-fail", 1);
  Events events;
  EXPECT_EQ(0, Copy(&events));
  EXPECT_EQ((std::vector<std::string>{"open", "close", Failed(TRANSFER_WRITE_FAILED)}), events.list);
  EXPECT_TRUE(ConnectionReleased());
}

// The converted file on the desktop fails to read anywhere (a bad sector, a disk pulled):
// nothing is sent, so the older database on the handheld stays whole and usable.
TEST_F(TransferFaults, AReadErrorInTheConvertedFileSendsNothingAndKeepsTheHandheldsDatabase)
{
  const long long size = static_cast<long long>(local_.size());
  for (long long budget : {0LL, 1LL, static_cast<long long>(TRANSFER_BLOCK_SIZE), size / 2, size - 1}) {
    SCOPED_TRACE("read budget " + std::to_string(budget));
    WriteBytes(DeviceFile(), "an older database");
    platform::FileFaults faults;
    faults.pathContains = "desktop/cedict.gb.dat";
    faults.readBudget = budget;
    platform::SetFileFaults(faults);
    Events events;
    EXPECT_EQ(0, Copy(&events));
    platform::ClearFileFaults();
    EXPECT_EQ((std::vector<std::string>{Failed(TRANSFER_CANNOT_READ)}), events.list);
    EXPECT_EQ("an older database", ReadBytes(DeviceFile()));
    EXPECT_TRUE(ConnectionReleased());
  }
  // The file itself was never harmed: it goes over whole now.
  Events events;
  EXPECT_EQ(1, Copy(&events));
  EXPECT_EQ(local_, ReadBytes(DeviceFile()));
}
