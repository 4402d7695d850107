// The full CC-CEDICT ten times over (about 1.2 million entries): it loads,
// searches and converts without error. Runs only when data/ holds the full list
// (tools/prepare-data.sh).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"
#include "device/shell/program_folder.h"
#include "installer/convert_cedict.h"
#include "installer/convert_dictionary.h"
#include "platform/utf.h"
#include "tests/reliability/replicated_data.h"

namespace fs = std::filesystem;

namespace {

const int Times = 10;

std::string DataFile(const std::string& name)
{
  return std::string(ORLEND_SOURCE_DIR) + "/data/" + name;
}

bool HaveData(std::initializer_list<const char*> names)
{
  for (const char* name : names)
    if (access(DataFile(name).c_str(), R_OK) != 0) return false;
  return true;
}

#define SKIP_WITHOUT_DATA(...)                                                                          \
  if (!HaveData({__VA_ARGS__}))                                                                          \
  GTEST_SKIP() << "data/ does not hold the full CC-CEDICT list; tools/prepare-data.sh fetches and converts it"

fs::path Folder(const std::string& name)
{
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "reliability" / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::vector<int> Results;
bool Ended;

void Collect(int code, int, const WCHAR*)
{
  if (code >= 0) Results.push_back(code);
  if (code == -1) Ended = true;
}

// The result entries of a search, in the order given.
std::vector<int> Find(const std::u16string& text, int pinyin)
{
  std::u16string query = text;
  Results.clear();
  Ended = false;
  SearchDictionary(query.data(), 0, 0, pinyin, Collect);
  EXPECT_TRUE(Ended);
  return Results;
}

// The installer's path buffer holding path.
struct PathBuffer {
  WCHAR units[MAX_PATH] = {};
  explicit PathBuffer(const fs::path& path) { platform::Utf16FromUtf8(path.string()).copy(units, MAX_PATH - 1); }
};

int32_t Count(const std::vector<unsigned char>& file)
{
  int32_t count = 0;
  if (file.size() >= 4) memcpy(&count, file.data(), 4);
  return count;
}

}  // namespace

TEST(Scale, TenTimesTheFullDatabaseLoadsAndSearchesAsOnce)
{
  SKIP_WITHOUT_DATA("cedict.gb.dat");
  InitMatchWeights();
  std::vector<unsigned char> once = ReadFileBytes(DataFile("cedict.gb.dat"));
  ASSERT_EQ(LOAD_OK, LoadDictionaryImage(once.data(), (DWORD)once.size()));
  const int n = EntryTable.Count;
  ASSERT_GT(n, 100000);
  struct Query {
    std::u16string text;
    int pinyin;
    std::vector<int> found;
  };
  std::vector<Query> queries = {{u"china", 0, {}}, {u"中国", 0, {}}, {u"zhong guo", 1, {}}, {u"xyzzyq", 0, {}}};
  for (Query& q : queries) q.found = Find(q.text, q.pinyin);

  std::vector<unsigned char> image = ReplicateDatabase(once, Times);
  once = {};
  ASSERT_EQ(LOAD_OK, LoadDictionaryImage(image.data(), (DWORD)image.size()));
  ASSERT_EQ((LONG)n * Times, EntryTable.Count);
  image = {};
  for (int i = 0; i < n; i += 997)
    for (int t = 1; t < Times; t++) {
      const DictionaryEntry* a = EntryTable.Entries[i];
      const DictionaryEntry* b = EntryTable.Entries[i + t * n];
      ASSERT_TRUE(a[0] == b[0] && std::equal(a, a + a[0] + 2, b)) << "entry " << i << " copy " << t;
    }

  // Each result of the single list comes back once for every copy.
  for (const Query& q : queries) {
    SCOPED_TRACE(platform::Utf8FromUtf16(q.text));
    std::vector<int> found = Find(q.text, q.pinyin);
    std::multiset<int> expected, actual;
    for (int r : q.found)
      for (int t = 0; t < Times; t++) expected.insert(r + t * n);
    for (int r : found) actual.insert(r);
    EXPECT_EQ(expected.size(), found.size());
    EXPECT_TRUE(expected == actual);
  }
  FreeDictionary();
}

TEST(Scale, TenTimesTheClassicListConvertsAndLoadsFromTheProgramFolder)
{
  SKIP_WITHOUT_DATA("cedict.gb");
  fs::path folder = Folder("scale-classic");
  std::vector<unsigned char> once = ReadFileBytes(DataFile("cedict.gb"));
  ASSERT_TRUE(WriteFileBytes((folder / "cedict.gb").string(), once));
  ASSERT_EQ(1, ConvertDictionaryWith(PathBuffer(folder / "cedict.gb").units, nullptr));
  std::vector<unsigned char> converted = ReadFileBytes((folder / "cedict.gb.dat").string());
  const int32_t lines = Count(converted);
  ASSERT_GT(lines, 100000);

  ASSERT_TRUE(WriteFileBytes((folder / "cedict.gb").string(), ReplicateSource(once, Times, true)));
  once = {};
  ASSERT_EQ(1, ConvertDictionaryWith(PathBuffer(folder / "cedict.gb").units, nullptr));
  std::vector<unsigned char> tenfold = ReadFileBytes((folder / "cedict.gb.dat").string());
  EXPECT_EQ(1 + (lines - 1) * Times, Count(tenfold));
  // The same lines as the single list's conversion, repeated.
  EXPECT_TRUE(tenfold == ReplicateDatabase(converted, Times));
  converted = {};
  tenfold = {};

  SetProgramFolder(platform::Utf16FromUtf8((folder / "").string()).c_str());
  LoadDictionary(u"cedict.gb.dat");
  EXPECT_EQ(LOAD_OK, LoadDictionaryStatus());
  EXPECT_EQ((LONG)(lines - 1) * Times, EntryTable.Count);
  FreeDictionary();
  fs::remove_all(folder);
}

TEST(Scale, TenTimesTheUtf8ListConvertsIntoBothDatabases)
{
  SKIP_WITHOUT_DATA("cedict_ts.u8");
  fs::path folder = Folder("scale-utf8");
  std::vector<unsigned char> once = ReadFileBytes(DataFile("cedict_ts.u8"));
  fs::path source = folder / "cedict_ts.u8";
  ASSERT_TRUE(WriteFileBytes(source.string(), once));
  std::u16string path = platform::Utf16FromUtf8(source.string());
  CedictConversion single;
  ASSERT_EQ(1, ConvertCedictSource(path.c_str(), nullptr, &single));
  ASSERT_GT(single.entries, 100000);

  ASSERT_TRUE(WriteFileBytes(source.string(), ReplicateSource(once, Times, false)));
  once = {};
  CedictConversion tenfold;
  ASSERT_EQ(1, ConvertCedictSource(path.c_str(), nullptr, &tenfold));
  EXPECT_EQ(single.entries * Times, tenfold.entries);
  EXPECT_EQ(single.skipped * Times, tenfold.skipped);
  for (const char* name : {"cedict.gb.dat", "cedict.b5.dat"}) {
    SCOPED_TRACE(name);
    std::vector<unsigned char> file = ReadFileBytes((folder / name).string());
    EXPECT_EQ(1 + tenfold.entries, Count(file));
    EXPECT_EQ(LOAD_OK, LoadDictionaryImage(file.data(), (DWORD)file.size()));
    EXPECT_EQ(tenfold.entries, EntryTable.Count);
    FreeDictionary();
  }
  fs::remove_all(folder);
}
