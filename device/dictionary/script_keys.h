// What the script converter may change, known without opening it. OpenCC converts a text by
// finding the keys of its tables in it and leaves every other character as it is, so a text
// that holds none of them comes back unchanged. The keys are taken at build time
// (tools/script_keys_table.cpp) into scriptkeys.dat beside the program: a hash of each, and
// the size and a hash of the files they were taken from. The lookup command, which does not
// load the converter, asks this before it hands a Chinese lookup to the program that does.
//
// The file: a header page (the layout below, then a hash of the page before that hash), then
// for each direction the hashes of its slot pages (a page of them, or more) and its slots: a
// table of 32-bit key hashes, open addressing, at most half full. A lookup reads the header
// page and the few slot pages it probes, each checked against its hash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows.h"

#define SCRIPT_KEYS_FILE_NAME u"scriptkeys.dat"

// A file the converter reads, as it stood when the keys were taken: its size and a hash of all
// of it (its time and number would differ on every machine the package is installed on).
struct SCRIPT_KEYS_STAMP {
  uint64_t Size;
  uint64_t Hash;  // XXH3 of the whole file
  uint64_t Reserved;
  char Path[232];  // UTF-8, terminated
};

// The stamp of the file at path (UTF-8) as it stands; false when it cannot be read.
bool StampScriptKeysSource(const std::string& path, SCRIPT_KEYS_STAMP* stamp);

// One direction's keys and the files they were taken from, for the tool that makes the file.
struct SCRIPT_KEYS_DIRECTION {
  std::vector<SCRIPT_KEYS_STAMP> Stamps;
  std::vector<std::u16string> Keys;
};

// The file for both directions, SCRIPT_TO_TRADITIONAL first (script_convert.h). Empty when
// the stamps do not fit in the header page.
std::vector<unsigned char> ScriptKeysFile(const std::vector<SCRIPT_KEYS_DIRECTION>& directions);

// 1 when the converter of direction gives text (length units) back as it is, because no key
// of its tables occurs in it: scriptkeys.dat beside the program says so, and every file the
// keys were taken from is as it was then. 0 when it may change the text, or when this cannot
// be told (no such file, a stale or damaged one): the caller then asks the converter.
int ConversionKeepsText(const WCHAR* text, int length, int direction);

// Reads the keys file at path instead of the one beside the program (tests); null goes back.
void SetScriptKeysFile(const WCHAR* path);
