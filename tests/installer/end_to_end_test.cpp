// The whole desktop flow, program by program, into a temporary handheld: the setup
// launcher installs the handheld program, the installer's window (driven by a script)
// converts and transfers a word list, and the installed program finds and searches it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "program_runner.h"

using namespace installer_test;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The application manager runs on its own after the launcher ended: its work is done when
// every file it copies is there whole.
bool Installed(const fs::path& bin, const fs::path& folder) {
  for (const char* file : {"orlend-dict", "orlend-dict-handheld", "tovu.dll", "zorwen.dll"}) {
    std::error_code e;
    if (fs::file_size(folder / file, e) != fs::file_size(bin / file)) return false;
  }
  for (const char* sub : {"help", "res"})
    for (const auto& entry : fs::directory_iterator(bin / sub)) {
      std::error_code e;
      if (fs::file_size(folder / sub / entry.path().filename(), e) != fs::file_size(entry.path())) return false;
    }
  return true;
}

TEST(DesktopFlow, SetupThenTheInstallerWindowThenTheHandheldProgramSearches) {
  fs::path bin = fs::path(ORLEND_BINARY_DIR) / "bin";
  fs::path work = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "installer" / "end_to_end";
  fs::remove_all(work);
  fs::path root = work / "handheld";
  fs::create_directories(root);  // the handheld is connected
  fs::path folder = root / "program files" / "orlend's chinese dictionary";
  std::vector<std::string> env = {"ORLEND_HANDHELD_ROOT=" + root.string(),
                                  "ORLEND_REGISTRY=" + (work / "registry.reg").string(),
                                  "ORLEND_RAPI_SIMULATE=", "ORLEND_SYSTEM_DIR=", "SDL_VIDEODRIVER=dummy",
                                  "SDL_AUDIODRIVER=dummy"};

  ProgramRun run = RunProgram(BuiltProgram("orlend-register-link"), {(bin / "ceappmgr").string()}, bin.string(), env);
  ASSERT_EQ(run.code, 0) << run.err;
  run = RunProgram(BuiltProgram("orlend-setup"), {}, bin.string(), env);
  ASSERT_EQ(run.code, 0) << run.err;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!Installed(bin, folder) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(Installed(bin, folder)) << "the application manager did not install the program";

  // 中国, 中文 and 词典 in GB.
  fs::path source = work / "Downloads" / "cedict.gb";
  fs::create_directories(source.parent_path());
  Write(source,
        "# CEDICT\r\n"
        "\xD6\xD0\xB9\xFA [zhong1 guo2] /China/\r\n"
        "\xD6\xD0\xCE\xC4 [zhong1 wen2] /Chinese language/\r\n"
        "\xB4\xCA\xB5\xE4 [ci2 dian3] /dictionary/\r\n");
  // The window sits at ((1280 - 440) / 2, 224) on the headless desktop: Locate with the
  // dialog (the name typed, Enter), Process, Transfer, the completion box, Exit.
  fs::path script = work / "install.script";
  Write(script, "500 tap 515 540\n"
                "+500 text " + source.string() + "\n"
                "+100 key enter\n"
                "+1000 tap 515 626\n"
                "+2000 tap 515 712\n"
                "+2000 key enter\n"
                "+1000 tap 804 754\n"
                "+5000 snapshot " + (work / "not-reached.png").string() + "\n");
  run = RunProgram(BuiltProgram("orlend-dict-installer"), {"--headless", "--script", script.string()}, bin.string(),
                   env);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_FALSE(fs::exists(work / "not-reached.png")) << "Exit did not end the installer";
  ASSERT_TRUE(fs::exists(folder / "cedict.gb.dat")) << run.err;

  // The installed copy, whose program folder is its own.
  run = RunProgram((folder / "orlend-dict").string(), {"--query", "dictionary", "--database", "gb"}, work.string(),
                   env);
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("词典"), std::string::npos) << run.out;
  run = RunProgram((folder / "orlend-dict").string(), {"--query", "中文", "--database", "gb"}, work.string(), env);
  ASSERT_EQ(run.code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Chinese language"), std::string::npos) << run.out;
}

}  // namespace
