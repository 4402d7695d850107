#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "handheld_root.h"
#include "rapi_types.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

class DesktopLink : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("orlend_handheld_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    ::setenv("ORLEND_HANDHELD_ROOT", root_.c_str(), 1);
    ::unsetenv("ORLEND_RAPI_SIMULATE");
    platform::Options options;
    options.backend = platform::BackendKind::Headless;
    options.screen = platform::ScreenKind::Desktop;
    ASSERT_TRUE(platform::Start(options));
    library_ = LoadLibraryExW(RAPI_PATH, nullptr, LOAD_LIBRARY_NATIVE_CODE);
    ASSERT_NE(library_, nullptr);
    init_ = reinterpret_cast<CeRapiInitExProc>(GetProcAddress(library_, "CeRapiInitEx"));
    uninit_ = reinterpret_cast<CeRapiUninitProc>(GetProcAddress(library_, "CeRapiUninit"));
    create_ = reinterpret_cast<CeCreateFileProc>(GetProcAddress(library_, "CeCreateFile"));
    write_ = reinterpret_cast<CeWriteFileProc>(GetProcAddress(library_, "CeWriteFile"));
    close_ = reinterpret_cast<CeCloseHandleProc>(GetProcAddress(library_, "CeCloseHandle"));
    ASSERT_TRUE(init_ && uninit_ && create_ && write_ && close_);
    ASSERT_NE(GetProcAddress(library_, "CeRapiInit"), nullptr);
  }
  void TearDown() override {
    if (uninit_) uninit_();
    FreeLibrary(library_);
    platform::Shutdown();
    ::unsetenv("ORLEND_HANDHELD_ROOT");
    ::unsetenv("ORLEND_RAPI_SIMULATE");
    fs::remove_all(root_);
  }
  // Connects as the installer does: the record, then up to 5000 ms for its event. The event
  // is the library's: CeRapiUninit releases it.
  bool Connect() {
    RAPIINIT record{};
    record.cbSize = sizeof record;
    if (init_(&record) == E_FAIL) {
      uninit_();
      return false;
    }
    event_ = record.heRapiInit;
    DWORD before = GetTickCount();
    bool up = WaitForSingleObject(record.heRapiInit, 5000) == WAIT_OBJECT_0;
    waited_ = GetTickCount() - before;
    if (!up) uninit_();
    return up;
  }
  fs::path root_;
  HANDLE event_ = nullptr;  // the last connection's event
  HMODULE library_ = nullptr;
  CeRapiInitExProc init_ = nullptr;
  CeRapiUninitProc uninit_ = nullptr;
  CeCreateFileProc create_ = nullptr;
  CeWriteFileProc write_ = nullptr;
  CeCloseHandleProc close_ = nullptr;
  DWORD waited_ = 0;
};

const WCHAR kDevicePath[] = u"program files//orlend's chinese dictionary//cedict.gb.dat";

TEST_F(DesktopLink, WritesIntoTheHandheldsProgramFolder) {
  fs::create_directories(root_ / "program files" / "orlend's chinese dictionary");
  ASSERT_TRUE(Connect());
  HANDLE file = create_(kDevicePath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(write_(file, "abcdef", 6, &written, nullptr));
  EXPECT_TRUE(write_(file, "gh", 0, &written, nullptr));  // a write of 0 bytes is fine
  EXPECT_TRUE(close_(file));
  EXPECT_FALSE(close_(file));
  // A handle closed already is never read through, even when a new file takes its memory:
  // closing it again must leave the new file open.
  HANDLE second = create_(kDevicePath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(close_(file));
  EXPECT_TRUE(write_(second, "ABC", 3, &written, nullptr));
  EXPECT_TRUE(close_(second));
  uninit_();
  EXPECT_FALSE(CloseHandle(event_));  // released by CeRapiUninit, not the caller's to close
  std::ifstream in(root_ / "program files" / "orlend's chinese dictionary" / "cedict.gb.dat");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "ABCdef");
}

TEST_F(DesktopLink, NoHandheldMeansNoConnectionWithinTheWait) {
  EXPECT_FALSE(Connect());  // the root does not exist
  EXPECT_EQ(waited_, 5000u);
  fs::create_directories(root_);
  ::setenv("ORLEND_RAPI_SIMULATE", "no-device", 1);
  EXPECT_FALSE(Connect());
  ::setenv("ORLEND_RAPI_SIMULATE", "init-fail", 1);
  EXPECT_FALSE(Connect());
  EXPECT_EQ(waited_, 5000u);  // unchanged: E_FAIL needs no wait
}

TEST_F(DesktopLink, MissingProgramFolderAndFailingWrites) {
  fs::create_directories(root_);
  ASSERT_TRUE(Connect());
  EXPECT_EQ(create_(kDevicePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  fs::create_directories(root_ / "program files" / "orlend's chinese dictionary");
  ::setenv("ORLEND_RAPI_SIMULATE", "write-fail:8", 1);
  ASSERT_TRUE(Connect());
  HANDLE file = create_(kDevicePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  EXPECT_TRUE(write_(file, "12345", 5, &written, nullptr));
  EXPECT_FALSE(write_(file, "67890", 5, &written, nullptr));
  EXPECT_EQ(written, 3u);
  close_(file);
}

// Links on the handheld's side, at the database or in place of its folder, lead out of the
// root: the file is not opened and the link's target keeps its bytes. A handheld folder
// that other users can write to is not used at all.
TEST_F(DesktopLink, LinksOnTheHandheldAreNotFollowedNorAnUntrustedRoot) {
  fs::path folder = root_ / "program files" / "orlend's chinese dictionary";
  fs::create_directories(folder);
  fs::path victim = root_.string() + ".victim";
  std::ofstream(victim) << "precious";
  fs::create_symlink(victim, folder / "cedict.gb.dat");
  ASSERT_TRUE(Connect());
  EXPECT_EQ(create_(kDevicePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  fs::remove_all(root_ / "program files");
  fs::create_directories(root_ / "program files");
  fs::create_directories(root_.string() + ".outside");
  fs::create_directory_symlink(root_.string() + ".outside", folder);
  EXPECT_EQ(create_(kDevicePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(create_(u"program files//..//..//escaped", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  uninit_();
  EXPECT_FALSE(fs::exists(root_.string() + ".outside/cedict.gb.dat"));
  EXPECT_FALSE(fs::exists(root_.parent_path() / "escaped"));
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
  fs::remove(victim);
  fs::remove_all(root_.string() + ".outside");

  fs::permissions(root_, fs::perms::all);  // anybody may write
  EXPECT_FALSE(Connect());
}

// Without HOME the handheld is the account's own, from the password database: never a
// folder in /tmp that another user could have made first.
TEST(HandheldRoot, WithoutHomeItIsTheAccountsHome) {
  const char* home = std::getenv("HOME");
  std::string saved = home ? home : "";
  ::unsetenv("HOME");
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("ORLEND_HANDHELD_ROOT");
  const passwd* account = ::getpwuid(::geteuid());
  ASSERT_NE(account, nullptr);
  EXPECT_EQ(desktop_link::HandheldRoot(), std::string(account->pw_dir) + "/.local/share/orlend/handheld");
  if (home) ::setenv("HOME", saved.c_str(), 1);
}

TEST(ApplicationManager, InstallsWhatInstallIniNames) {
  fs::path dir = fs::temp_directory_path() / ("orlend_appmgr_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "package" / "help");
  fs::create_directories(dir / "root");
  std::ofstream(dir / "package" / "prog") << "program";
  std::ofstream(dir / "package" / "help" / "help.htm") << "<html>";
  std::ofstream(dir / "package" / "install.ini")
      << "[CEAppManager]\nVersion = 1.0\nComponent = Dict\n\n[Dict]\nInstallDir = program files\\orlend's chinese "
         "dictionary\nFiles = prog\nFolders = help\n";
  std::string env = "ORLEND_HANDHELD_ROOT='" + (dir / "root").string() + "' ";
  std::string ini = (dir / "package").string() + "\\install.ini";
  EXPECT_EQ(std::system((env + CEAPPMGR_PATH + " '\"" + ini + "\"' > /dev/null").c_str()), 0);
  fs::path installed = dir / "root" / "program files" / "orlend's chinese dictionary";
  EXPECT_TRUE(fs::exists(installed / "prog"));
  EXPECT_TRUE(fs::exists(installed / "help" / "help.htm"));
  // No handheld: refused.
  fs::remove_all(dir / "root");
  EXPECT_NE(std::system((env + CEAPPMGR_PATH + " '" + ini + "' 2> /dev/null").c_str()), 0);
  fs::remove_all(dir);
}

// What the setup launcher starts: the manager's own path, unquoted and so cut at its
// spaces, then the quoted install.ini path. Packages that name anything outside their
// folder are refused whole; nothing is written anywhere.
TEST(ApplicationManager, TakesTheLaunchersLineAndKeepsToThePackage) {
  fs::path dir = fs::temp_directory_path() / ("orlend_appmgr_line_" + std::to_string(::getpid())) / "a b" / "词典";
  fs::remove_all(dir.parent_path().parent_path());
  fs::create_directories(dir / "package" / "help");
  fs::create_directories(dir / "root");
  fs::copy_file(CEAPPMGR_PATH, dir / "ceappmgr");
  std::ofstream(dir / "package" / "prog") << "program";
  std::ofstream(dir / "package" / "help" / "help.htm") << "<html>";
  std::ofstream(dir / "secret") << "desktop file";
  auto package = [&](const std::string& files, const std::string& folders) {
    std::ofstream(dir / "package" / "install.ini")
        << "[CEAppManager]\nComponent = Dict\n[Dict]\nInstallDir = program files\\dict\nFiles = " << files
        << "\nFolders = " << folders << "\n";
  };
  fs::path installed = dir / "root" / "program files" / "dict";
  // The line as the platform's process start splits it: "<dir>/a", "b/词典/ceappmgr", "<ini>".
  std::string manager = (dir / "ceappmgr").string();
  std::string ini = "\"" + (dir / "package").string() + "\\install.ini\"";
  std::vector<std::string> line = {manager.substr(0, manager.find(' ')), manager.substr(manager.find(' ') + 1), ini};
  ::setenv("ORLEND_HANDHELD_ROOT", (dir / "root").c_str(), 1);
  auto run = [&] {
    std::vector<char*> argv;
    for (std::string& a : line) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int status = -1;
    if (posix_spawn(&pid, manager.c_str(), &quiet, nullptr, argv.data(), environ) == 0) ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&quiet);
    return status;
  };
  package("prog", "help");
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(fs::exists(installed / "prog"));
  EXPECT_TRUE(fs::exists(installed / "help" / "help.htm"));
  fs::remove_all(dir / "root" / "program files");

  fs::create_symlink(dir / "secret", dir / "package" / "link");
  const std::string outside = (dir / "secret").string();
  const std::pair<const char*, const char*> refused[] = {
      {outside.c_str(), ""}, {"../secret", ""}, {"link", ""}, {"prog", ".."}, {"prog", "."}, {"prog", "/etc"}};
  for (const auto& [files, folders] : refused) {
    package(files, folders);
    EXPECT_NE(run(), 0) << files << " | " << folders;
    EXPECT_FALSE(fs::exists(dir / "root" / "program files")) << files << " | " << folders;
  }
  // A link already on the handheld, where a file goes, is not written through.
  package("prog", "");
  fs::create_directories(installed);
  fs::create_symlink(dir / "secret", installed / "prog");
  EXPECT_NE(run(), 0);
  std::ifstream secret(dir / "secret");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(secret), {}), "desktop file");
  ::unsetenv("ORLEND_HANDHELD_ROOT");
  fs::remove_all(dir.parent_path().parent_path());
}

}  // namespace
