// The database loader on arbitrary bytes: whatever the file holds, the table
// that comes out is well formed, the same on every marker path, and can be
// searched and copied from without reading outside it.
#include <string.h>

#include <set>

#include "device/dictionary/database.h"
#include "device/dictionary/lookup_index.h"
#include "device/dictionary/table_file.h"
#include "device/dictionary/table_search.h"
#include "device/dictionary/search_engine.h"
#include "device/dictionary/unit_search.h"
#include "device/shell/program_folder.h"
#include "platform/utf.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::vector<std::u16string> Texts()
{
  std::vector<std::u16string> texts;
  for (int i = 0; i < EntryTable.Count; i++) texts.emplace_back(EntryTable.Entries[i] + 1, EntryTable.Entries[i][0]);
  return texts;
}

void CheckTable(int status, size_t size)
{
  FUZZ_CHECK(status == LOAD_OK || status == LOAD_DAMAGED || status == LOAD_NO_MEMORY);
  FUZZ_CHECK(status == LoadDictionaryStatus());
  FUZZ_CHECK(EntryTable.Count >= 0);
  // Every line takes at least its CR in the file.
  FUZZ_CHECK((size_t)EntryTable.Count <= size / 2);
  if (EntryTable.Count == 0) return;
  FUZZ_CHECK(EntryMarks != nullptr);
  for (int i = 0; i < EntryTable.Count; i++) {
    const DictionaryEntry* entry = EntryTable.Entries[i];
    int length = entry[0];
    FUZZ_CHECK(length >= 1);
    FUZZ_CHECK(entry[1 + length] == 0);
    if (i + 1 < EntryTable.Count) FUZZ_CHECK(EntryTable.Entries[i + 1] == entry + length + 2);
    std::u16string text(entry + 1, length);
    FUZZ_CHECK(text.find(u'\r') == std::u16string::npos);
    // The key follows the loader's '#', whose place the marks agree with.
    size_t open = text.find(u'[');
    if (open == std::u16string::npos) {
      FUZZ_CHECK(EntryMarks[i].Open == MARK_NONE);
    } else {
      FUZZ_CHECK(EntryMarks[i].Open == open);
      FUZZ_CHECK(EntryMarks[i].Hash == text.find(u'#', open + 1));
    }
    FUZZ_CHECK(text.find(u'#') != std::u16string::npos);
  }
  const DictionaryEntry* last = EntryTable.Entries[EntryTable.Count - 1];
  const WCHAR* end = last + last[0] + 2;
  for (int k = 0; k < ENTRY_TABLE_SLACK; k++) FUZZ_CHECK(end[k] == 0);
}

struct Told {
  int code;
  std::u16string text;
  bool operator==(const Told& other) const { return code == other.code && text == other.text; }
};
std::vector<Told> Heard;
void Hear(int code, int length, const WCHAR* text)
{
  Heard.push_back({code, code >= 0 ? std::u16string(text, (size_t)length) : u""});
}
void IgnoreStatus(int) {}

// A lookup through the kept index, one byte of the table or of the index changed first: it
// answers what the whole table answers, or refuses and sends nothing.
void CheckLookupIndex(const uint8_t* data, size_t size)
{
  std::string database = ScratchFolder() + "cedict.gb.dat";
  LoadDictionary(u"cedict.gb.dat");
  KeepLookupIndex(u"cedict.gb.dat");
  // A few Chinese units of an entry, or (on every other input) a Latin piece of it, read
  // through the lists of three-unit pieces.
  const bool latin = size > 2 && (data[2] & 1);
  std::u16string query;
  if (EntryTable.Count > 0) {
    const DictionaryEntry* entry = EntryTable.Entries[size % EntryTable.Count];
    for (int k = 1; k <= entry[0] && query.size() < (latin ? 8u : 3u); k++)
      if (entry[k] != 0 && (entry[k] >= LOOKUP_INDEX_FIRST_UNIT) != latin) query += entry[k];
      else if (!query.empty()) break;
  }
  if (query.size() < (latin ? 3u : 1u)) query = latin ? u"abc" : u"中";
  Heard.clear();
  std::u16string copy = query;
  SearchDictionary(copy.data(), 0, 0, 0, Hear);
  std::vector<Told> whole = Heard;
  bool found = false;
  for (const Told& told : whole) found |= told.code >= 0;
  FreeDictionary();  // the table file is rewritten below: nothing may map it then
  for (const char* name : {".table", ".table.index"}) {
    std::vector<unsigned char> bytes;
    if (size > 1 && (data[1] & 1) == (name[6] == 0) && ReadWhole(database + name, &bytes) && !bytes.empty()) {
      bytes[(size * 7919) % bytes.size()] ^= (unsigned char)(1 + data[size / 2] % 255);
      WriteWhole(database + name, bytes.data(), bytes.size());
    }
  }
  Heard.clear();
  int answer = FindThroughIndex(u"cedict.gb.dat", query.c_str(), 0, 0, 0, IgnoreStatus, Hear);
  FUZZ_CHECK(answer == 1 ? Heard == whole : Heard.empty());
  FUZZ_CHECK(answer != 0 || !found);
  // The kept table read through, as the whole table or not at all.
  Heard.clear();
  answer = FindThroughTableFile(u"cedict.gb.dat", query.c_str(), 0, 0, 0, IgnoreStatus, Hear);
  FUZZ_CHECK(answer == 1 ? Heard == whole : Heard.empty());
  FUZZ_CHECK(answer != 0 || !found);
  // Its packed copy, which that reading made when the table was whole, one byte changed: its
  // blocks unpacked through the index, or the whole copy read through, answer as the whole table,
  // or not at all.
  std::vector<unsigned char> packed;
  if (size > 3 && ReadWhole(database + ".table.packed", &packed) && !packed.empty()) {
    packed[(size * 104729) % packed.size()] ^= (unsigned char)(1 + data[3] % 255);
    WriteWhole(database + ".table.packed", packed.data(), packed.size());
    Heard.clear();
    answer = FindThroughIndex(u"cedict.gb.dat", query.c_str(), 0, 0, 0, IgnoreStatus, Hear);
    FUZZ_CHECK(answer == 1 ? Heard == whole : Heard.empty());
    FUZZ_CHECK(answer != 0 || !found);
    Heard.clear();  // the copy still damaged, unless the lookup found it so and removed it
    answer = FindThroughTableFile(u"cedict.gb.dat", query.c_str(), 0, 0, 0, IgnoreStatus, Hear);
    FUZZ_CHECK(answer == 1 ? Heard == whole : Heard.empty());
    FUZZ_CHECK(answer != 0 || !found);
  }
  unlink((database + ".table.index").c_str());
  unlink((database + ".table.packed").c_str());
}

std::set<int> Seen;
int Ended;

void CheckingSink(int code, int length, const WCHAR* text)
{
  FUZZ_CHECK(!Ended);
  if (code == -1) {
    Ended = 1;
    return;
  }
  if (code <= -2) {
    FUZZ_CHECK(code >= -100);
    return;
  }
  FUZZ_CHECK(code < EntryTable.Count);
  FUZZ_CHECK(Seen.insert(code).second);
  FUZZ_CHECK(text == EntryTable.Entries[code] + 1);
  FUZZ_CHECK(length == EntryTable.Entries[code][0]);
}

void SearchFor(std::u16string query, int switches)
{
  Seen.clear();
  Ended = 0;
  query.resize(query.size() + 1, 0);
  SearchDictionary(query.data(), switches & 1, (switches >> 1) & 1, (switches >> 2) & 1, CheckingSink);
  FUZZ_CHECK(Ended);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  InitMatchWeights();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  // An odd start address makes the loader take its copying path too.
  std::vector<uint8_t> shifted(size + 1);
  memcpy(shifted.data() + 1, data, size);
  const uint8_t* odd = shifted.data() + 1;

  std::vector<std::u16string> expected;
  int expectedStatus = -1;
  for (int path : {1, 2, 3}) {
    if (!SetMarkerPath(path)) continue;
    int status = LoadDictionaryImage(path == 2 ? odd : data, (DWORD)size);
    CheckTable(status, size);
    std::vector<std::u16string> texts = Texts();
    if (expectedStatus < 0) {
      expectedStatus = status;
      expected = texts;
    }
    FUZZ_CHECK(status == expectedStatus);
    FUZZ_CHECK(texts == expected);
  }
  SetMarkerPath(0);

  // From a file: the first load parses it and keeps its table beside it, the second maps
  // that table, the third finds one byte of it changed and must not trust it.
  static const std::u16string folder = platform::Utf16FromNativePath(ScratchFolder());
  SetProgramFolder(folder.c_str());
  std::string database = ScratchFolder() + "cedict.gb.dat";
  WriteWhole(database, data, size);
  for (int load = 0; load < 3; load++) {
    std::vector<unsigned char> table;
    if (load == 2 && ReadWhole(database + ".table", &table) && !table.empty()) {
      table[size % table.size()] ^= (unsigned char)(1 + (size ? data[size - 1] % 255 : 0));
      WriteWhole(database + ".table", table.data(), table.size());
    }
    LoadDictionary(u"cedict.gb.dat");
    int status = LoadDictionaryStatus();
    FUZZ_CHECK(status == expectedStatus);
    if (status != LOAD_NO_MEMORY) CheckTable(status, size);
    FUZZ_CHECK(Texts() == expected);
  }
  if (expectedStatus != LOAD_NO_MEMORY) CheckLookupIndex(data, size);
  // The table a lookup writes while it parses is the one a load keeps, or there is none; what
  // it finds searching each piece as it is written is what the whole table gives.
  std::vector<unsigned char> kept, written;
  unlink((database + ".table").c_str());
  LoadDictionary(u"cedict.gb.dat");
  std::u16string query = u"a";
  if (EntryTable.Count > 0) {
    const DictionaryEntry* entry = EntryTable.Entries[size % EntryTable.Count];
    query.assign(entry + 1, entry[0] < 4 ? entry[0] : 4);
  }
  const int pinyin = (int)(size & 1);
  Heard.clear();
  std::u16string copy = query;
  SearchDictionary(copy.data(), 0, 0, pinyin, Hear);
  std::vector<Told> whole = Heard;
  bool found = false;
  for (const Told& told : whole) found |= told.code >= 0;
  FreeDictionary();
  bool keptOne = ReadWhole(database + ".table", &kept);
  unlink((database + ".table").c_str());
  Heard.clear();
  int answer = FindWhileKeepingTable(u"cedict.gb.dat", query.c_str(), 0, 0, pinyin, IgnoreStatus, Hear);
  FUZZ_CHECK(keptOne ? answer != 0 || !found : answer == -1);
  FUZZ_CHECK(!keptOne || !found || answer == 1);
  FUZZ_CHECK(answer == 1 ? Heard == whole : Heard.empty());
  FUZZ_CHECK(ReadWhole(database + ".table", &written) == (answer >= 0) && (answer < 0 || written == kept));
  unlink((database + ".table").c_str());
  FUZZ_CHECK(KeepDictionaryTable(u"cedict.gb.dat") == (keptOne ? 1 : -1));
  FUZZ_CHECK(ReadWhole(database + ".table", &written) == keptOne && written == kept);
  unlink((database + ".table").c_str());
  LoadDictionaryImage(data, (DWORD)size);

  // Queries from the table itself reach the scoring; a few fixed ones the rest.
  std::vector<std::u16string> queries = {u"a", u"zhong guo", u"[", u"#", u"/"};
  if (EntryTable.Count > 0) {
    const DictionaryEntry* entry = EntryTable.Entries[size % EntryTable.Count];
    int length = entry[0];
    queries.emplace_back(entry + 1, length < 6 ? length : 6);
    queries.emplace_back(entry + 1 + length / 2, length - length / 2 < 20 ? length - length / 2 : 20);
  }
  int switches = size ? data[0] : 0;
  for (size_t q = 0; q < queries.size(); q++) SearchFor(queries[q], (int)(switches + q) & 7);

  for (int i = 0; i < EntryTable.Count; i++) {
    WCHAR* copy = nullptr;
    int length = CopyEntryText(i, &copy);
    FUZZ_CHECK(copy && length == EntryTable.Entries[i][0]);
    FUZZ_CHECK(memcmp(copy, EntryTable.Entries[i] + 1, (length + 1) * sizeof(WCHAR)) == 0);
    free(copy);
  }
  WCHAR* none = nullptr;
  FUZZ_CHECK(CopyEntryText(EntryTable.Count, &none) == -1 && none == nullptr);
  FreeDictionary();
  return 0;
}
