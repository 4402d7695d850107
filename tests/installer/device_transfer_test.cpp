// The copy to the handheld against a recording stand-in for the remote API: the calls in
// their order, the blocks, the progress, and every way the copy can fail.
#include "installer/device_transfer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/remote_api.h"
#include "installer_test_files.h"
#include "tests/support/headless_screen.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

// What the recording stand-in does and saw.
struct Device {
  HRESULT initResult = S_OK;
  bool signal = true;         // the connection comes up
  bool createFails = false;
  int failingWrite = -1;      // index of the write that fails
  int shortWrite = -1;        // index of the write that reports fewer bytes
  bool closeFails = false;
  std::vector<std::string> calls;
  std::vector<DWORD> writes;  // byte counts asked for
  std::string received;
  std::u16string createdName;
  DWORD access = 0, share = 0, creation = 0, attributes = 0;
  DWORD recordSize = 0;
  HANDLE event = nullptr;     // the connection event, the stand-in's until CeRapiUninit
};
// A failure other than E_FAIL: the installer only tells E_FAIL apart.
const HRESULT kOtherFailure = static_cast<HRESULT>(0x8000FFFFL);

Device* g_device = nullptr;
int g_fileToken;

HRESULT FakeInit() {
  g_device->calls.push_back("CeRapiInit");
  return S_OK;
}
HRESULT FakeInitEx(RAPIINIT* record) {
  g_device->calls.push_back("CeRapiInitEx");
  g_device->recordSize = record->cbSize;
  EXPECT_EQ(record->heRapiInit, nullptr);  // zero-filled before the call
  EXPECT_EQ(record->hrRapiInit, 0);
  record->heRapiInit = g_device->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_device->signal) SetEvent(record->heRapiInit);
  return g_device->initResult;
}
HRESULT FakeUninit() {
  g_device->calls.push_back("CeRapiUninit");
  if (g_device->event) CloseHandle(g_device->event);
  g_device->event = nullptr;
  return S_OK;
}
HANDLE FakeCreate(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                  DWORD attributes, HANDLE templateFile) {
  g_device->calls.push_back("CeCreateFile");
  g_device->createdName = name;
  g_device->access = access;
  g_device->share = share;
  g_device->creation = creation;
  g_device->attributes = attributes;
  EXPECT_EQ(security, nullptr);
  EXPECT_EQ(templateFile, nullptr);
  return g_device->createFails ? INVALID_HANDLE_VALUE : &g_fileToken;
}
BOOL FakeWrite(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
  EXPECT_EQ(file, &g_fileToken);
  EXPECT_EQ(overlapped, nullptr);
  int index = static_cast<int>(g_device->writes.size());
  g_device->calls.push_back("CeWriteFile");
  g_device->writes.push_back(count);
  if (index == g_device->failingWrite) {
    *written = 0;
    return FALSE;
  }
  DWORD done = index == g_device->shortWrite && count > 0 ? count - 1 : count;
  g_device->received.append(static_cast<const char*>(bytes), done);
  *written = done;
  return TRUE;
}
BOOL FakeClose(HANDLE file) {
  EXPECT_EQ(file, &g_fileToken);
  g_device->calls.push_back("CeCloseHandle");
  return g_device->closeFails ? FALSE : TRUE;
}

struct Reports {
  std::vector<std::string> events;
  std::vector<int> positions;
  TransferHooks Hooks() {
    TransferHooks hooks;
    hooks.context = this;
    hooks.OpenProgress = [](void* c, const WCHAR* message, int maximum) {
      static_cast<Reports*>(c)->events.push_back("open " + platform::Utf8FromUtf16(message) + " " +
                                                 std::to_string(maximum));
    };
    hooks.SetProgress = [](void* c, int position) { static_cast<Reports*>(c)->positions.push_back(position); };
    hooks.CloseProgress = [](void* c) { static_cast<Reports*>(c)->events.push_back("close"); };
    hooks.Failed = [](void* c, const WCHAR* message) {
      static_cast<Reports*>(c)->events.push_back("failed " + platform::Utf8FromUtf16(message));
    };
    return hooks;
  }
};

std::string Failed(const WCHAR* message) { return "failed " + platform::Utf8FromUtf16(message); }

class DeviceTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen_.ok());
    g_device = &device_;
    saved_ = RemoteApiEntries;
    RemoteApiEntries = RemoteApi{FakeInit, FakeInitEx, FakeUninit, FakeCreate, FakeWrite, FakeClose};
    folder_ = FreshFolder(std::string("device_transfer/") +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    // Every CeRapiInitEx is answered by CeRapiUninit, which releases the connection event.
    EXPECT_EQ(device_.event, nullptr);
    if (device_.event) CloseHandle(device_.event);
    RemoteApiEntries = saved_;
    g_device = nullptr;
  }
  // A converted file of `size` bytes whose bytes tell their position.
  std::string LocalFile(size_t size) {
    std::string bytes(size, 0);
    for (size_t i = 0; i < size; i++) bytes[i] = static_cast<char>(i * 7 + i / 251);
    WriteBytes(folder_ / "cedict.gb.dat", bytes);
    return bytes;
  }
  int Copy() {
    hooks_ = reports_.Hooks();
    PathBuffer local(folder_ / "cedict.gb.dat");
    return CopyToDeviceWith(local.units, u"program files//orlend's chinese dictionary//cedict.gb.dat", &hooks_);
  }

  test::HeadlessScreen screen_{platform::ScreenKind::Desktop};
  Device device_;
  RemoteApi saved_{};
  fs::path folder_;
  Reports reports_;
  TransferHooks hooks_{};
};

TEST_F(DeviceTransfer, SendsWholeBlocksThenTheRestInOrder) {
  struct Case {
    size_t size;
    std::vector<DWORD> writes;
    std::vector<int> positions;
  };
  const Case cases[] = {
      {25000, {10240, 10240, 4520}, {0}},                       // progress after the first block only
      {20480, {10240, 10240, 0}, {0}},                          // the rest is an empty write
      {5000, {5000}, {}},                                       // no whole block: no progress
      {10240 * 5 + 7, {10240, 10240, 10240, 10240, 10240, 7}, {0, 40, 80}},  // even blocks: i * 100 / 5
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    device_ = Device{};
    reports_ = Reports{};
    std::string bytes = LocalFile(c.size);
    EXPECT_EQ(Copy(), 1);
    EXPECT_EQ(device_.writes, c.writes);
    EXPECT_EQ(reports_.positions, c.positions);
    EXPECT_TRUE(device_.received == bytes);
    EXPECT_EQ(reports_.events, (std::vector<std::string>{"open Transfering dictionary file.... 100", "close"}));
    std::vector<std::string> calls = {"CeRapiInitEx", "CeCreateFile"};
    calls.insert(calls.end(), c.writes.size(), "CeWriteFile");
    calls.push_back("CeCloseHandle");
    calls.push_back("CeRapiUninit");
    EXPECT_EQ(device_.calls, calls);
  }
  EXPECT_EQ(device_.createdName, u"program files//orlend's chinese dictionary//cedict.gb.dat");
  EXPECT_EQ(device_.access, static_cast<DWORD>(GENERIC_WRITE));
  EXPECT_EQ(device_.share, static_cast<DWORD>(FILE_SHARE_WRITE));
  EXPECT_EQ(device_.creation, static_cast<DWORD>(CREATE_ALWAYS));
  EXPECT_EQ(device_.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(device_.recordSize, sizeof(RAPIINIT));
}

TEST_F(DeviceTransfer, NoConnectionReleasesItAndSaysSo) {
  LocalFile(25000);
  device_.initResult = E_FAIL;
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(device_.calls, (std::vector<std::string>{"CeRapiInitEx", "CeRapiUninit"}));
  EXPECT_EQ(reports_.events, (std::vector<std::string>{Failed(DEVICE_NOT_CONNECTED)}));

  // Another result than E_FAIL with the event never coming: the full wait, then the same.
  device_ = Device{};
  reports_ = Reports{};
  device_.initResult = kOtherFailure;
  device_.signal = false;
  DWORD before = test::Now();
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(test::Now() - before, static_cast<DWORD>(CONNECTION_WAIT_MS));
  EXPECT_EQ(device_.calls, (std::vector<std::string>{"CeRapiInitEx", "CeRapiUninit"}));
  EXPECT_EQ(reports_.events, (std::vector<std::string>{Failed(DEVICE_NOT_CONNECTED)}));

  // A result other than E_FAIL counts as long as the event comes.
  device_ = Device{};
  reports_ = Reports{};
  device_.initResult = kOtherFailure;
  EXPECT_EQ(Copy(), 1);
}

TEST_F(DeviceTransfer, AFileThatCannotBeCreatedEndsTheConnection) {
  LocalFile(100);
  device_.createFails = true;
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(device_.calls, (std::vector<std::string>{"CeRapiInitEx", "CeCreateFile", "CeRapiUninit"}));
  EXPECT_EQ(reports_.events, (std::vector<std::string>{Failed(DEVICE_FILE_NOT_CREATED)}));
}

TEST_F(DeviceTransfer, AFailedWriteOrCloseIsAFailureNotASuccess) {
  const std::string failure = Failed(TRANSFER_WRITE_FAILED);
  // A block write that fails stops the copy; the file and the connection are still closed.
  LocalFile(10240 * 4 + 10);
  device_.failingWrite = 1;
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(device_.writes, (std::vector<DWORD>{10240, 10240}));
  EXPECT_EQ(device_.calls.back(), "CeRapiUninit");
  EXPECT_EQ(device_.calls[device_.calls.size() - 2], "CeCloseHandle");
  EXPECT_EQ(reports_.events, (std::vector<std::string>{"open Transfering dictionary file.... 100", "close", failure}));

  device_ = Device{};
  reports_ = Reports{};
  device_.shortWrite = 0;  // "success" with fewer bytes written
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(reports_.events.back(), failure);

  device_ = Device{};
  reports_ = Reports{};
  device_.failingWrite = 4;  // the remainder
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(device_.writes.size(), 5u);
  EXPECT_EQ(reports_.events.back(), failure);

  device_ = Device{};
  reports_ = Reports{};
  device_.closeFails = true;
  EXPECT_EQ(Copy(), 0);
  EXPECT_EQ(device_.calls.back(), "CeRapiUninit");
  EXPECT_EQ(reports_.events.back(), failure);
}

TEST_F(DeviceTransfer, NothingIsCalledWithoutTheLibraryOrTheLocalFile) {
  LocalFile(100);
  RemoteApiEntries.CeWriteFile = nullptr;
  EXPECT_EQ(Copy(), 0);
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(reports_.events, (std::vector<std::string>{Failed(REMOTE_API_MISSING)}));

  // CeRapiInit is only traced: without it the copy still works.
  RemoteApiEntries = RemoteApi{nullptr, FakeInitEx, FakeUninit, FakeCreate, FakeWrite, FakeClose};
  reports_ = Reports{};
  EXPECT_EQ(Copy(), 1);

  device_ = Device{};
  reports_ = Reports{};
  fs::remove(folder_ / "cedict.gb.dat");
  EXPECT_EQ(Copy(), 0);
  EXPECT_TRUE(device_.calls.empty());
  EXPECT_EQ(reports_.events, (std::vector<std::string>{Failed(TRANSFER_CANNOT_READ)}));
}

TEST(DeviceFileName, IsTheFolderTheChosenNameAndDat) {
  WCHAR name[MAX_PATH];
  ASSERT_EQ(FormDeviceFileName(u"cedict.b5", name), 1);
  EXPECT_EQ(std::u16string(name), u"program files//orlend's chinese dictionary//cedict.b5.dat");
  EXPECT_EQ(lstrlenW(DEVICE_FOLDER), 44);
  // The longest name that fits leaves room for the terminator.
  std::u16string longest(MAX_PATH - 1 - 44 - 4, u'x');
  EXPECT_EQ(FormDeviceFileName(longest.c_str(), name), 1);
  EXPECT_EQ(lstrlenW(name), MAX_PATH - 1);
  EXPECT_EQ(FormDeviceFileName((longest + u"x").c_str(), name), 0);
  EXPECT_EQ(name[0], 0);
}

TEST(RemoteApiLoading, ResolvesTheSixEntriesFromTheSystemFolderAndTracesOne) {
  test::HeadlessScreen screen(platform::ScreenKind::Desktop);
  RemoteApi saved = RemoteApiEntries;
  // The build puts the stand-in beside the programs, the system folder of a program run there.
  ::unsetenv("ORLEND_SYSTEM_DIR");
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadRemoteApi(), 1);
  std::string trace = testing::internal::GetCapturedStderr();
  const RemoteApi& api = RemoteApiEntries;
  EXPECT_TRUE(api.CeRapiInit && api.CeRapiInitEx && api.CeRapiUninit && api.CeCreateFile && api.CeWriteFile &&
              api.CeCloseHandle);
  EXPECT_EQ(trace, "CeRapiInit = " + std::to_string(static_cast<int>(reinterpret_cast<INT_PTR>(api.CeRapiInit))) +
                       "\n");
  EXPECT_EQ(RemoteApiUsable(), 1);

  fs::path empty = FreshFolder("no_system_library");
  ::setenv("ORLEND_SYSTEM_DIR", empty.c_str(), 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadRemoteApi(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "CeRapiInit = 0\n");
  EXPECT_EQ(RemoteApiUsable(), 0);
  EXPECT_EQ(RemoteApiEntries.CeWriteFile, nullptr);
  ::unsetenv("ORLEND_SYSTEM_DIR");
  RemoteApiEntries = saved;
}

}  // namespace
