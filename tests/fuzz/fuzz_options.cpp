// The options reader on a file of arbitrary bytes: the record takes exactly the
// bytes the file covers, reading never changes the file, and a record written
// back reads the same.
#include <string.h>

#include "device/shell/options.h"
#include "device/shell/program_folder.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  SetProgramFolder(AsciiWide(ScratchFolder()).c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::string file = ScratchFolder() + "vemora.opt";
  WriteWhole(file, data, size);
  for (LONG& option : Options) option = 0;
  ReadOptions();

  unsigned char expected[OPTION_COUNT * 4] = {0};
  memcpy(expected, data, size < sizeof expected ? size : sizeof expected);
  for (int i = 0; i < OPTION_COUNT; i++) {
    LONG value = (LONG)((DWORD)expected[4 * i] | (DWORD)expected[4 * i + 1] << 8 | (DWORD)expected[4 * i + 2] << 16 |
                        (DWORD)expected[4 * i + 3] << 24);
    FUZZ_CHECK(GetOption(i) == value);
  }
  FUZZ_CHECK(GetOption(-1) == -1 && GetOption(OPTION_COUNT) == -1);

  std::vector<unsigned char> after;
  FUZZ_CHECK(ReadWhole(file, &after));
  FUZZ_CHECK(after.size() == size && (size == 0 || memcmp(after.data(), data, size) == 0));

  // Written back, the file is the 20 bytes of the record and reads the same.
  LONG database = size ? data[0] % 3 : 0;
  SetOption(OPTION_DATABASE, database);
  FUZZ_CHECK(ReadWhole(file, &after));
  FUZZ_CHECK(after.size() == sizeof expected);
  memcpy(expected + 4 * OPTION_DATABASE, &database, 4);
  FUZZ_CHECK(memcmp(after.data(), expected, sizeof expected) == 0);
  for (LONG& option : Options) option = 0;
  ReadOptions();
  FUZZ_CHECK(memcmp(Options, expected, sizeof expected) == 0);
  return 0;
}
