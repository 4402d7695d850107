// orlend-dict-installer: converts a downloaded word list and installs it on the handheld.
#include "installer/command_line.h"

int main(int argc, char** argv) {
  // The installer window opens here when there are no arguments.
  return RunInstallerCommandLine(argc, argv);
}
