// orlend-dict-installer: converts a downloaded word list and installs it on the handheld,
// in its window or, given a task on the command line, without one.
#include <string>
#include <vector>

#include "installer/command_line.h"
#include "installer/installer_window.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // The window system's own options (--headless, --script, ...) belong to the window.
  std::vector<char*> rest(argv, argv + argc);
  rest.push_back(nullptr);
  int restCount = argc;
  platform::Options options;
  std::string error;
  // Anything left is a task for the command line (or earns the usage).
  if (platform::ParseOptions(restCount, rest.data(), &options, &error) && restCount > 1)
    return RunInstallerCommandLine(restCount, rest.data());
  return platform::RunProgram(argc, argv, platform::ScreenKind::Desktop, InstallerMain);
}
