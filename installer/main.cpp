// orlend-dict-installer: converts a downloaded word list and installs it on the handheld,
// in its window or, given a task on the command line, without one.
#include "installer/command_line.h"

int main(int argc, char** argv) { return InstallerCommandLine(argc, argv); }
