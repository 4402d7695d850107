// The handheld dictionary program: the window on the emulated handheld, or, with
// --query, a lookup on the command line.
#include "device/shell/command_line.h"

int main(int argc, char** argv) { return DictionaryCommandLine(argc, argv); }
