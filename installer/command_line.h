// The installer without its window:
//   --convert SOURCE              converts a word list beside itself
//   --convert SOURCE --transfer   converts, then copies the result(s) to the handheld
//   --transfer FILE.dat           copies an already converted file to the handheld
#pragma once

// Exit codes.
#define COMMAND_LINE_OK 0
#define COMMAND_LINE_FAILED 1
#define COMMAND_LINE_USAGE 2

#include "cli/window_options.h"

// The options and help text of orlend-dict-installer.
const cli::Program& InstallerProgram();

// The whole program: reads argv, then runs the task it names or opens the window.
int InstallerCommandLine(int argc, char** argv);

// Runs the command line (argv as the process received it, UTF-8) and returns the exit
// code. Progress goes to standard error, results to standard output.
int RunInstallerCommandLine(int argc, char** argv);
