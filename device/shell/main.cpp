// The handheld dictionary program.
#include <cstdio>

#include "device/shell/command_line.h"

int main(int argc, char** argv)
{
  if (HasQueryOption(argc, argv)) return RunQueryCommand(argc, argv);
  fputs(QueryUsage, stderr);
  return 2;
}
