#include "tools/derive_classic.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "installer/cedict_source.h"
#include "platform/utf.h"
#include "platform/windows.h"

namespace fs = std::filesystem;

namespace {

fs::path FreshFolder(const std::string& name) {
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "test-scratch" / "tools" / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a classic list, each checked for its CR LF, read back to UTF-16.
std::vector<std::u16string> Lines(const fs::path& path, UINT codePage) {
  std::string bytes = ReadBytes(path);
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "last line without CR LF";
    if (end == std::string::npos) break;
    std::string line = bytes.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray CR or LF";
    std::u16string wide(line.size() + 1, u'\0');
    int n = line.empty() ? 0
                         : MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, line.data(),
                                               static_cast<int>(line.size()), wide.data(),
                                               static_cast<int>(wide.size()));
    EXPECT_TRUE(line.empty() || n > 0) << "not valid in code page " << codePage;
    wide.resize(static_cast<size_t>(n > 0 ? n : 0));
    lines.push_back(wide);
    start = end + 2;
  }
  return lines;
}

// A made-up CC-CEDICT list: header block, cross references, characters that
// one or both code pages lack, a long line, LF and CR LF ends.
std::string Fixture(const std::string& longDefinition) {
  return "# CC-CEDICT\n"
         "#! charset=UTF-8\n"
         "#! date=2020-12-31T23:59:59Z\n"
         "#! license=https://creativecommons.org/licenses/by-sa/4.0/\n"
         "中國 中国 [Zhong1 guo2] /China/\n"
         "丈夫 丈夫 [zhang4 fu5] /husband/CL:個|个[ge4]/\r\n"
         "鵜 䴘 [ti1] /grebe/\n"                    // 䴘 is outside GBK, 鵜 is in Big5
         "呂 吕 [Lu:3] /Lü/Schrödinger/résumé/\n"    // ü, é are in GBK; ö is in neither
         "𠮶 𠮶 [ge3] /that/\n"                      // outside both
         "e e [e4] /e\xCC\x81 with a combining accent/\n"
         "\n"
         "# a comment among the entries\n"
         "長 长 [chang2] /" + longDefinition + "/\n";
}

}  // namespace

TEST(DeriveClassic, WritesBothListsWithOneHeaderAndCrLf) {
  fs::path folder = FreshFolder("both");
  std::string longDefinition(520, 'l');
  WriteBytes(folder / "cedict_ts.u8", Fixture(longDefinition));
  DeriveResult result;
  std::string error;
  ASSERT_TRUE(DeriveClassicLists((folder / "cedict_ts.u8").string(), folder.string(), &result, &error)) << error;
  EXPECT_EQ(result.entries, 7);
  EXPECT_EQ(result.skipped, 0);

  std::u16string longWide(longDefinition.begin(), longDefinition.end());
  const std::vector<std::u16string> gb = {
      u"中国 [Zhong1 guo2] /China/",
      u"丈夫 [zhang4 fu5] /husband/CL:个[ge4]/",
      u"□ [ti1] /grebe/",
      u"吕 [Lu:3] /Lü/Schrodinger/résumé/",
      u"□ [ge3] /that/",
      u"e [e4] /e with a combining accent/",
      u"长 [chang2] /" + longWide + u"/",
  };
  const std::vector<std::u16string> b5 = {
      u"中國 [Zhong1 guo2] /China/",
      u"丈夫 [zhang4 fu5] /husband/CL:個[ge4]/",
      u"鵜 [ti1] /grebe/",
      u"呂 [Lu:3] /Lu/Schrodinger/resume/",
      u"□ [ge3] /that/",
      u"e [e4] /e with a combining accent/",
      u"長 [chang2] /" + longWide + u"/",
  };
  std::vector<std::u16string> gbLines = Lines(folder / "cedict.gb", 936);
  std::vector<std::u16string> b5Lines = Lines(folder / "cedict.b5", 950);
  ASSERT_EQ(gbLines.size(), gb.size() + 1);
  ASSERT_EQ(b5Lines.size(), b5.size() + 1);
  EXPECT_EQ(gbLines[0].rfind(u"# CC-CEDICT of 2020-12-31, simplified headwords.", 0), 0u);
  EXPECT_EQ(b5Lines[0].rfind(u"# CC-CEDICT of 2020-12-31, traditional headwords.", 0), 0u);
  EXPECT_NE(gbLines[0].find(u"CC BY-SA 4.0"), std::u16string::npos);
  EXPECT_EQ(std::vector<std::u16string>(gbLines.begin() + 1, gbLines.end()), gb);
  EXPECT_EQ(std::vector<std::u16string>(b5Lines.begin() + 1, b5Lines.end()), b5);

  EXPECT_EQ(result.gb.lines, 8);
  EXPECT_EQ(result.gb.longLines, 1);
  EXPECT_EQ(result.gb.loss.lines, 4);     // grebe, Schrödinger, 𠮶, the combining accent
  EXPECT_EQ(result.gb.loss.replaced, 2);  // 䴘 𠮶
  EXPECT_EQ(result.gb.loss.folded, 1);    // ö
  EXPECT_EQ(result.gb.loss.dropped, 1);
  EXPECT_EQ(result.b5.loss.lines, 3);
  EXPECT_EQ(result.b5.loss.replaced, 1);
  EXPECT_EQ(result.b5.loss.folded, 4);  // ü ö é é
  EXPECT_EQ(result.b5.loss.characters.at(U'é'), 2);
  EXPECT_EQ(result.b5.loss.characters.at(U'\U00020BB6'), 1);
  EXPECT_FALSE(fs::exists(folder / "cedict.gb.new"));
}

TEST(DeriveClassic, FoldsAccentedLatinLetters) {
  struct Case {
    char32_t c;
    const char* ascii;
    bool drop;
  };
  const Case cases[] = {
      {U'ö', "o", false}, {U'Ō', "O", false}, {U'ǚ', "u", false}, {U'ṣ', "s", false}, {U'ế', "e", false},
      {U'ß', "ss", false}, {U'æ', "ae", false}, {U'ł', "l", false}, {0x0301, "", true},
      {U'中', "", false},  {U'×', "", false},   {U'⅓', "", false},
  };
  for (const Case& c : cases) {
    bool drop = true;
    EXPECT_EQ(FoldToAscii(c.c, &drop), c.ascii) << static_cast<unsigned>(c.c);
    EXPECT_EQ(drop, c.drop) << static_cast<unsigned>(c.c);
  }
}

TEST(DeriveClassic, FailuresReplaceNoList) {
  fs::path folder = FreshFolder("failures");
  DeriveResult result;
  std::string error;
  EXPECT_FALSE(DeriveClassicLists((folder / "missing.u8").string(), folder.string(), &result, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);

  WriteBytes(folder / "comments.u8", "# CC-CEDICT\n#! charset=UTF-8\nnot an entry\n");
  WriteBytes(folder / "cedict.gb", "old");
  EXPECT_FALSE(DeriveClassicLists((folder / "comments.u8").string(), folder.string(), &result, &error));
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(ReadBytes(folder / "cedict.gb"), "old");
  EXPECT_FALSE(fs::exists(folder / "cedict.gb.new"));

  WriteBytes(folder / "good.u8", Fixture("x"));
  EXPECT_FALSE(DeriveClassicLists((folder / "good.u8").string(), (folder / "no" / "such").string(), &result, &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

// The tool's report is its answer: lost on a full disk, the run is no success.
TEST(DeriveClassic, AReportThatCannotBeWrittenIsAFailure) {
  fs::path folder = FreshFolder("report");
  WriteBytes(folder / "good.u8", Fixture("x"));
  std::string command = "'" + std::string(ORLEND_BINARY_DIR) + "/bin/cedict-derive' '" + (folder / "good.u8").string() +
                        "' >/dev/full 2>'" + (folder / "err.txt").string() + "'";
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
  EXPECT_NE(ReadBytes(folder / "err.txt").find("cannot write the report"), std::string::npos);
}
