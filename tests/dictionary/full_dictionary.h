// The full Simplified list's database, for the tests that need the real thing.
#pragma once

#include <unistd.h>

#include <fstream>
#include <string>

#include "device/shell/program_folder.h"
#include "tests/dictionary/dictionary_fixture.h"

// A new folder holding a copy of the full Simplified list's database, made the program
// folder: the loader keeps its table beside the database, never in data/. Empty (and the
// program folder unchanged) when data/cedict.gb.dat was not fetched.
inline std::string FullDictionaryFolder()
{
  std::string data = std::string(ORLEND_SOURCE_DIR) + "/data/cedict.gb.dat";
  if (access(data.c_str(), R_OK) != 0) return std::string();
  std::string folder = NewTestFolder();
  std::ifstream in(data, std::ios::binary);
  std::ofstream(folder + "cedict.gb.dat", std::ios::binary) << in.rdbuf();
  SetProgramFolder(Widen(folder).c_str());
  return folder;
}
