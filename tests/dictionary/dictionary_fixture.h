// Small dictionary databases that the tests write themselves, and a sink that
// records what the search reports.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"

// A database file image: the count (the lines given, unless count says
// otherwise), then each line in UTF-16LE with CR LF.
inline std::vector<BYTE> DatabaseImage(const std::vector<std::u16string>& lines, long long count = INT64_MIN)
{
  std::vector<BYTE> image(4);
  int32_t n = count != INT64_MIN ? (int32_t)count : (int32_t)lines.size();
  memcpy(image.data(), &n, 4);
  for (const std::u16string& line : lines) {
    for (char16_t c : line + u"\r\n") {
      image.push_back((BYTE)(c & 0xFF));
      image.push_back((BYTE)(c >> 8));
    }
  }
  return image;
}

// A dictionary with a header line and these entry lines.
inline std::vector<BYTE> DictionaryImage(const std::vector<std::u16string>& entries)
{
  std::vector<std::u16string> lines{u"# test dictionary"};
  lines.insert(lines.end(), entries.begin(), entries.end());
  return DatabaseImage(lines);
}

inline int LoadImage(const std::vector<BYTE>& image)
{
  return LoadDictionaryImage(image.data(), (DWORD)image.size());
}

inline std::u16string EntryText(int index)
{
  const DictionaryEntry* entry = EntryTable.Entries[index];
  return std::u16string(entry + 1, entry[0]);
}

// A new empty folder under the build tree, with its trailing '/'.
inline std::string NewTestFolder()
{
  std::string pattern = std::string(ORLEND_BINARY_DIR) + "/test-tmp";
  mkdir(pattern.c_str(), 0755);
  pattern += "/dictionary-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back(0);
  if (!mkdtemp(name.data())) return std::string();
  return std::string(name.data()) + "/";
}

inline void WriteBytes(const std::string& path, const std::vector<BYTE>& bytes)
{
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

// The whole file at path; empty when there is none.
inline std::vector<BYTE> ReadBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::u16string Widen(const std::string& text)
{
  return std::u16string(text.begin(), text.end());
}

struct SinkCall {
  int code;
  int length;
  const WCHAR* text;
  bool operator==(const SinkCall& other) const
  {
    return code == other.code && length == other.length && text == other.text;
  }
};

inline std::vector<SinkCall> SinkCalls;

inline void RecordSink(int code, int length, const WCHAR* text)
{
  SinkCalls.push_back({code, length, text});
}

// The entry indices reported as results, in order.
inline std::vector<int> ResultIndices()
{
  std::vector<int> indices;
  for (const SinkCall& call : SinkCalls)
    if (call.code >= 0) indices.push_back(call.code);
  return indices;
}

// Runs the engine on a copy of query and returns the result indices.
inline std::vector<int> Search(const std::u16string& query, int matchCase = 0, int wholeWord = 0, int pinyin = 0)
{
  std::u16string copy = query;
  SinkCalls.clear();
  SearchDictionary(copy.data(), matchCase, wholeWord, pinyin, RecordSink);
  return ResultIndices();
}
