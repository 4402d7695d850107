// The conversion on arbitrary source bytes, read as GB, as Big5 and as
// CC-CEDICT's UTF-8 list: the database written always has the layout the
// handheld loads (the count equals the lines, each line ends in one CR LF) and
// the source's lines in order.
#include <string.h>
#include <unistd.h>

#include "device/dictionary/database.h"
#include "installer/convert_cedict.h"
#include "installer/convert_dictionary.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The source's lines as the installer splits them: at CR, CR LF, a lone LF, or
// the end of the file.
std::vector<std::string> SplitLines(const std::vector<unsigned char>& bytes)
{
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t end = i;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') end++;
    lines.emplace_back(bytes.begin() + i, bytes.begin() + end);
    if (end == bytes.size()) break;
    i = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

// The lines of a database file; checks its layout on the way.
std::vector<std::u16string> DatabaseLines(const std::vector<unsigned char>& file)
{
  FUZZ_CHECK(file.size() >= 4 && file.size() % 2 == 0);
  int32_t count;
  memcpy(&count, file.data(), 4);
  std::vector<std::u16string> lines(1);
  for (size_t at = 4; at < file.size(); at += 2) {
    char16_t unit = (char16_t)(file[at] | file[at + 1] << 8);
    if (unit == u'\r') {
      FUZZ_CHECK(at + 3 < file.size() && file[at + 2] == '\n' && file[at + 3] == 0);
      at += 2;
      lines.emplace_back();
      continue;
    }
    FUZZ_CHECK(unit != u'\n');
    lines.back() += unit;
  }
  FUZZ_CHECK(lines.back().empty());  // the file ends right after a CR LF
  lines.pop_back();
  FUZZ_CHECK((size_t)count == lines.size());
  return lines;
}

void CheckLoads(const std::vector<unsigned char>& file, size_t lines)
{
  FUZZ_CHECK(LoadDictionaryImage(file.data(), (DWORD)file.size()) == LOAD_OK);
  FUZZ_CHECK((size_t)EntryTable.Count == lines - 1);
  FreeDictionary();
}

void ConvertClassic(const std::vector<unsigned char>& source, const char* name, UINT codePage)
{
  std::string sourcePath = ScratchFolder() + name;
  std::string target = sourcePath + ".dat";
  unlink(target.c_str());
  WriteWhole(sourcePath, source.data(), source.size());
  std::u16string wide = AsciiWide(sourcePath);
  WCHAR path[MAX_PATH] = {0};
  memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  FUZZ_CHECK(ConversionCodePage(path) == codePage);

  int result = ConvertDictionaryWith(path, nullptr);
  std::vector<unsigned char> file;
  if (source.empty()) {
    FUZZ_CHECK(result == 0 && !ReadWhole(target, &file));
    return;
  }
  FUZZ_CHECK(result == 1);
  FUZZ_CHECK(AsciiWide(target) == path);
  FUZZ_CHECK(ReadWhole(target, &file));
  std::vector<std::u16string> lines = DatabaseLines(file);
  std::vector<std::string> expected = SplitLines(source);
  FUZZ_CHECK(lines.size() == expected.size());
  for (size_t i = 0; i < lines.size(); i++) {
    std::u16string converted(expected[i].size() + 1, 0);
    int units = expected[i].empty() ? 0
                                    : MultiByteToWideChar(codePage, 0, expected[i].data(), (int)expected[i].size(),
                                                          converted.data(), (int)converted.size());
    converted.resize(units > 0 ? units : 0);
    FUZZ_CHECK(lines[i] == converted);
  }
  CheckLoads(file, lines.size());
}

void ConvertUtf8(const std::vector<unsigned char>& source)
{
  std::string sourcePath = ScratchFolder() + "cedict_ts.u8";
  std::string targets[2] = {ScratchFolder() + "cedict.gb.dat", ScratchFolder() + "cedict.b5.dat"};
  for (const std::string& target : targets) unlink(target.c_str());
  WriteWhole(sourcePath, source.data(), source.size());
  FUZZ_CHECK(IsCedictUtf8Source(AsciiWide(sourcePath).c_str()));

  CedictConversion conversion;
  int result = ConvertCedictSource(AsciiWide(sourcePath).c_str(), nullptr, &conversion);
  std::vector<unsigned char> file;
  if (!result) {
    // Nothing to convert: neither database appears.
    FUZZ_CHECK(conversion.entries == 0);
    for (const std::string& target : targets) FUZZ_CHECK(!ReadWhole(target, &file));
    return;
  }
  FUZZ_CHECK(conversion.entries > 0);
  FUZZ_CHECK((size_t)(conversion.entries + conversion.skipped) <= SplitLines(source).size());
  for (const std::string& target : targets) {
    FUZZ_CHECK(ReadWhole(target, &file));
    std::vector<std::u16string> lines = DatabaseLines(file);
    FUZZ_CHECK(lines.size() == (size_t)conversion.entries + 1);
    // Every entry line keeps its pronunciation and ends with a definition.
    for (size_t i = 1; i < lines.size(); i++) {
      FUZZ_CHECK(lines[i].find(u'[') != std::u16string::npos);
      FUZZ_CHECK(!lines[i].empty() && lines[i].back() == u'/');
    }
    CheckLoads(file, lines.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::vector<unsigned char> source(data, data + size);
  // A leading '~' puts the rest just before and across the 64 KB read chunk's end.
  if (size >= 2 && data[0] == '~') {
    static const char filler[] = "0123456789abcd\r\n";
    size_t length = 65536 - data[1] % 64;
    source.clear();
    for (size_t i = 0; i < length; i++) source.push_back((unsigned char)filler[i % 16]);
    source.insert(source.end(), data + 2, data + size);
  }
  ConvertClassic(source, "cedict.gb", 936);
  ConvertClassic(source, "cedict.b5", 950);
  ConvertUtf8(source);
  return 0;
}
