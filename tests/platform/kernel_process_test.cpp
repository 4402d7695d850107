#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/utf.h"
#include "platform/windows.h"

namespace {

// Runs a shell script through CreateProcessW and returns what it wrote.
TEST(KernelProcess, CommandLineIsSplitAsThePlatformDoes) {
  auto dir = std::filesystem::temp_directory_path() / ("orlend_proc_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto script = dir / "tool";
  auto out = dir / "out.txt";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > '" << out.string() << "'\n";
  }
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  // Named without extension and with ".exe": the platform tries the extensions in order.
  std::filesystem::copy_file(script, dir / "mgr.exe");
  std::u16string line = platform::Utf16FromUtf8(script.string()) + u" \"C:\\setup\\install.ini\" two";
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcessW(platform::Utf16FromUtf8(script.string()).c_str(), line.data(), nullptr, nullptr,
                             TRUE, 0, nullptr, nullptr, nullptr, &info));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  std::ifstream in(out);
  std::string a, b;
  std::getline(in, a);
  std::getline(in, b);
  EXPECT_EQ(a, "[C:\\setup\\install.ini]");
  EXPECT_EQ(b, "[two]");

  std::u16string noExtension = platform::Utf16FromUtf8((dir / "mgr").string());
  std::u16string line2 = noExtension + u" x";
  ASSERT_TRUE(CreateProcessW(noExtension.c_str(), line2.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             nullptr, &info));
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hProcess);

  std::u16string missing = platform::Utf16FromUtf8((dir / "absent").string());
  EXPECT_FALSE(CreateProcessW(missing.c_str(), missing.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                              nullptr, &info));
  std::filesystem::remove_all(dir);
}

}  // namespace
