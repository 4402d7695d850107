// orlend-dict --query, run as its own process over fixture databases.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "device/dictionary/table_hash.h"
#include "tests/dictionary/dictionary_fixture.h"

namespace {

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& text)
{
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadAll(const std::string& path)
{
  std::string text;
  if (FILE* file = fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    fclose(file);
  }
  return text;
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override
  {
    folder = NewTestFolder();
    ASSERT_FALSE(folder.empty());
    WriteBytes(folder + "cedict.gb.dat",
               DictionaryImage({u"中国 [zhong1 guo2] /China/", u"王 [Wang2] /(surname) Wang/king/",
                                u"中国人 [zhong1 guo2 ren2] /Chinese person/", u"吃 [chi1] /to eat/to consume/"}));
    WriteBytes(folder + "cedict.b5.dat", DictionaryImage({u"中國 [zhong1 guo2] /China/"}));
  }

  // `output` is where standard output goes, as the shell writes it.
  Outcome Lookup(const std::vector<std::string>& arguments, const std::string& output = "")
  {
    // A run that hangs is killed, and fails its test, instead of holding the suite.
    std::string command = environment + "timeout -s KILL 60 " + Quote(std::string(ORLEND_BINARY_DIR) + "/bin/orlend-dict");
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += (output.empty() ? " >" + Quote(folder + "out.txt") : " " + output) + " 2>" + Quote(folder + "err.txt");
    int status = system(command.c_str());
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(folder + "out.txt"), ReadAll(folder + "err.txt")};
    std::remove((folder + "out.txt").c_str());
    return run;
  }

  std::string folder;
  std::string environment;  // VAR=value words before the command
};

TEST_F(CommandLine, PrintsRowsBestFirst)
{
  Outcome run = Lookup({"--query", "  china ", "--folder", folder});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("0\t中国 \tChina\n2\t中国人 \tChinese person\n", run.out);
  EXPECT_EQ("", run.err);

  run = Lookup({"--query", "king", "--folder", folder});
  EXPECT_EQ("1\t王 \tWang, king\n", run.out);
  run = Lookup({"--query", "eat", "--whole-word", "--folder", folder});
  EXPECT_EQ("3\t吃 \tto eat, to consume\n", run.out);
}

TEST_F(CommandLine, SwitchesAndDatabases)
{
  EXPECT_EQ("2\t中国人 \tChinese person\n", Lookup({"--query", "Chinese", "--match-case", "--folder", folder}).out);
  EXPECT_EQ(1, Lookup({"--query", "chinese", "--match-case", "--folder", folder}).exitCode);
  // The key's start (-1) before the whole key (0).
  Outcome run = Lookup({"--query", "zhong guo", "--pinyin", "--folder", folder});
  EXPECT_EQ("2\t中国人 \tChinese person\n0\t中国 \tChina\n", run.out);
  run = Lookup({"--query", "中國", "--database", "b5", "--folder", folder});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("0\t中國 \tChina\n", run.out);
  // --best: the whole key first, and two characters find the longer words too.
  run = Lookup({"--query", "zhong guo", "--pinyin", "--best", "--folder", folder});
  EXPECT_EQ("0\t中国 \tChina\n2\t中国人 \tChinese person\n", run.out);
  EXPECT_EQ("0\t中国 \tChina\n", Lookup({"--query", "中国", "--folder", folder}).out);
  EXPECT_EQ("0\t中国 \tChina\n2\t中国人 \tChinese person\n", Lookup({"--query", "中国", "-b", "--folder", folder}).out);
}

// The first lookup of a new database keeps the table (and for Chinese an index) beside it as
// it reads the database; that lookup and the next ones, which read those files, must print
// what the loaded table gives (where no table can be kept: its place is taken by a folder),
// damage warning included, found or not.
TEST_F(CommandLine, LookupsThroughTheKeptFilesPrintTheSame)
{
  std::vector<BYTE> image = DictionaryImage({u"中国 [zhong1 guo2] /China/", u"王 [Wang2] /(surname) Wang/king/",
                                            u"中国人 [zhong1 guo2 ren2] /Chinese person/", u"吃 [chi1] /to eat/中 x/",
                                            u"x [cut"});
  image.resize(image.size() - 2);
  WriteBytes(folder + "cedict.gb.dat", image);
  const std::string table = folder + "cedict.gb.dat.table";
  FILE* frequencies = fopen((folder + "wordfreq.txt").c_str(), "wb");  // the more common word first
  ASSERT_NE(frequencies, nullptr);
  fputs("中国人\t100\n中国\t10\n", frequencies);
  fclose(frequencies);
  const std::vector<std::vector<std::string>> switches = {
      {}, {"--whole-word"}, {"--match-case"}, {"--pinyin"}, {"--best"}, {"--pinyin", "--best"}};
  for (const char* query : {"中", "中国", "国人", "china", "chin", "to eat", "xyzzy", "Wang king", "zhong guo", "zhongguo"}) {
    for (const std::vector<std::string>& these : switches) {
      std::vector<std::string> arguments = {"--query", query, "--folder", folder};
      arguments.insert(arguments.end(), these.begin(), these.end());
      std::string option;
      for (const std::string& one : these) option += " " + one;
      std::remove(table.c_str());
      std::remove((table + ".index").c_str());
      ASSERT_EQ(0, mkdir(table.c_str(), 0700));
      Outcome loaded = Lookup(arguments);
      ASSERT_EQ(0, rmdir(table.c_str()));
      Outcome first = Lookup(arguments);
      ASSERT_EQ(0, access(table.c_str(), R_OK)) << query;
      Outcome kept = Lookup(arguments);
      for (const Outcome* run : {&first, &kept}) {
        EXPECT_EQ(loaded.out, run->out) << query << option;
        EXPECT_EQ(loaded.err, run->err) << query << option;
        EXPECT_EQ(loaded.exitCode, run->exitCode) << query << option;
      }
      EXPECT_NE(std::string::npos, loaded.err.find("is damaged")) << loaded.err;
    }
  }
  EXPECT_EQ("0\t中国 \tChina\n", Lookup({"--query", "中国", "--folder", folder}).out);
  EXPECT_EQ("0\t中国 \tChina\n2\t中国人 \tChinese person\n", Lookup({"--query", "china", "--folder", folder}).out);
  EXPECT_EQ("2\t中国人 \tChinese person\n0\t中国 \tChina\n", Lookup({"--query", "chin", "--best", "--folder", folder}).out);
}

// Best matches are ordered by headword counts kept beside the table once a lookup has made
// them from the word list; they are believed only for the list and the table as they are now,
// and only whole.
TEST_F(CommandLine, KeptHeadwordCountsFollowTheWordListAndTheTable)
{
  const std::string list = folder + "wordfreq.txt", counts = folder + "cedict.gb.dat.table.freq";
  const auto write = [](const std::string& path, const char* text) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs(text, file);
    fclose(file);
  };
  const std::vector<std::string> chin = {"--query", "chin", "--best", "--folder", folder};
  const std::string personFirst = "2\t中国人 \tChinese person\n0\t中国 \tChina\n";
  const std::string chinaFirst = "0\t中国 \tChina\n2\t中国人 \tChinese person\n";
  write(list, "中国\t10\n中国人\t100\n");
  EXPECT_EQ(personFirst, Lookup(chin).out);  // keeps the table, then the counts
  ASSERT_EQ(0, access(counts.c_str(), R_OK));
  EXPECT_EQ(personFirst, Lookup(chin).out);
  write(list, "中国\t100\n中国人\t10\n");  // the same size
  EXPECT_EQ(chinaFirst, Lookup(chin).out);
  EXPECT_EQ(chinaFirst, Lookup(chin).out);  // from counts made again

  // The counts say what orders the results: 中国人 made the more common, hash and all...
  std::vector<BYTE> kept = ReadBytes(counts);
  const size_t header = kept.size() - 4 * 4, hashAt = header - 8;
  ASSERT_GT(kept.size(), 4 * 4 + 8u);
  const uint32_t often = 1000;
  memcpy(&kept[header + 2 * 4], &often, sizeof often);
  std::vector<BYTE> damaged = kept;
  const uint64_t hash = TableHashOf(&kept[header], kept.size() - header);
  memcpy(&kept[hashAt], &hash, sizeof hash);
  WriteBytes(counts, kept);
  EXPECT_EQ(personFirst, Lookup(chin).out);
  // ...and only whole,
  WriteBytes(counts, damaged);
  EXPECT_EQ(chinaFirst, Lookup(chin).out);
  // and only for the table they were made from: the same words in another order.
  EXPECT_EQ(chinaFirst, Lookup(chin).out);
  WriteBytes(folder + "cedict.gb.dat",
             DictionaryImage({u"中国人 [zhong1 guo2 ren2] /Chinese person/", u"王 [Wang2] /(surname) Wang/king/",
                              u"中国 [zhong1 guo2] /China/", u"吃 [chi1] /to eat/to consume/"}));
  EXPECT_EQ("2\t中国 \tChina\n0\t中国人 \tChinese person\n", Lookup(chin).out);
  EXPECT_EQ("2\t中国 \tChina\n0\t中国人 \tChinese person\n", Lookup(chin).out);
}

TEST_F(CommandLine, WordListIsPrintedAsTheExportWritesIt)
{
  EXPECT_EQ(1, Lookup({"--word-list", "--folder", folder}).exitCode);  // none kept yet
  FILE* file = fopen((folder + "vemora.words").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  fputs("# kept words\n中国 [zhong1 guo2] /China/Middle Kingdom/\nnot a word\n绿 [lu:4] /green/\n吃 [chi1] /to e", file);
  fclose(file);
  Outcome run = Lookup({"--word-list", "--folder", folder});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("中国\tzhong1 guo2\tChina; Middle Kingdom\n绿\tlu:4\tgreen\n", run.out);
  EXPECT_EQ(2, Lookup({"--word-list", "--pinyin", "--folder", folder}).exitCode);
}

TEST_F(CommandLine, ExitCodes)
{
  Outcome none = Lookup({"--query", "xylophone", "--folder", folder});
  EXPECT_EQ(1, none.exitCode);
  EXPECT_EQ("", none.out);
  EXPECT_EQ(1, Lookup({"--query", "   ", "--folder", folder}).exitCode);

  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--query"}, {"--query", "x", "--database", "utf8"}, {"--query", "x", "--bogus"}, {"--bogus", "--query", "x"}}) {
    Outcome run = Lookup(bad);
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("orlend-dict")) << run.err;
    // One line that says what is wrong, then the hint.
    EXPECT_EQ(2, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Try 'orlend-dict --help'")) << run.err;
  }

  Outcome missing = Lookup({"--query", "china", "--folder", folder + "nowhere"});
  EXPECT_EQ(2, missing.exitCode);
  EXPECT_NE(std::string::npos, missing.err.find("cannot find the dictionary database")) << missing.err;
  EXPECT_NE(std::string::npos, missing.err.find("nowhere/cedict.gb.dat")) << missing.err;
}

TEST_F(CommandLine, DamagedDatabaseIsSearchedWithAWarning)
{
  std::vector<BYTE> image =
      DictionaryImage({u"中国 [zhong1 guo2] /China/", u"中国人 [zhong1 guo2 ren2] /Chinese person/"});
  image.resize(image.size() - 10);
  WriteBytes(folder + "cedict.gb.dat", image);
  Outcome run = Lookup({"--query", "china", "--folder", folder});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("0\t中国 \tChina\n", run.out);
  EXPECT_NE(std::string::npos, run.err.find("damaged")) << run.err;

  mkdir((folder + "dir").c_str(), 0755);
  mkdir((folder + "dir/cedict.gb.dat").c_str(), 0755);
  Outcome directory = Lookup({"--query", "china", "--folder", folder + "dir"});
  EXPECT_EQ(2, directory.exitCode);
  EXPECT_NE(std::string::npos, directory.err.find("cannot read")) << directory.err;
}

// Where the system, not the database, is odd: a FIFO in the database's place, output that
// cannot be written, a folder name that is no UTF-8, a broken surrogate in an entry.
TEST_F(CommandLine, EdgesOfTheSystemAreReportedNotHungOrHidden)
{
  mkdir((folder + "fifo").c_str(), 0755);
  ASSERT_EQ(0, mkfifo((folder + "fifo/cedict.gb.dat").c_str(), 0644));
  Outcome fifo = Lookup({"--query", "china", "--folder", folder + "fifo"});
  EXPECT_EQ(2, fifo.exitCode);
  EXPECT_NE(std::string::npos, fifo.err.find("cannot read")) << fifo.err;

  for (const char* output : {">/dev/full", ">&-"}) {
    Outcome lost = Lookup({"--query", "china", "--folder", folder}, output);
    EXPECT_EQ(2, lost.exitCode) << output;
    EXPECT_EQ(1, std::count(lost.err.begin(), lost.err.end(), '\n')) << output << ": " << lost.err;
  }

  std::string latin1 = folder + "caf\xE9/";
  mkdir(latin1.c_str(), 0755);
  WriteBytes(latin1 + "cedict.gb.dat", DictionaryImage({u"中国 [zhong1 guo2] /China/"}));
  Outcome cafe = Lookup({"--query", "china", "--folder", latin1});
  EXPECT_EQ(0, cafe.exitCode) << cafe.err;
  EXPECT_EQ("0\t中国 \tChina\n", cafe.out);
  Outcome notText = Lookup({"--query", "caf\xE9", "--folder", folder});
  EXPECT_EQ(2, notText.exitCode);
  EXPECT_NE(std::string::npos, notText.err.find("not valid UTF-8")) << notText.err;

  // One replacement per bad unit: the x after the lone high surrogate stays.
  WriteBytes(folder + "cedict.gb.dat", DictionaryImage({u"中国 [zhong1 guo2] /China \xD800x/"}));
  Outcome lone = Lookup({"--query", "china", "--folder", folder});
  EXPECT_EQ("0\t中国 \tChina ?x\n", lone.out);
}

// The command does alone what the kept files answer; a lookup that needs the script converter
// or the loaded table, it hands to the handheld program beside it, which prints what it would
// have printed itself. Without that program the command says so, and still answers the rest.
TEST_F(CommandLine, WhatTheCommandCannotDoTheHandheldProgramDoes)
{
  const std::string bin = std::string(ORLEND_BINARY_DIR) + "/bin/";
  const std::vector<std::vector<std::string>> lookups = {
      {"--query", "中國", "--folder", folder},          // to be converted: found only as 中国
      {"--query", "中国", "--best", "--folder", folder},  // best matches of Chinese: the converter
      {"--query", "zhongguo", "--pinyin", "--folder", folder},
      {"--query", "china", "--folder", folder}};
  for (const std::vector<std::string>& arguments : lookups) {
    Outcome command = Lookup(arguments);
    std::string line = bin + "orlend-dict-handheld";
    for (const std::string& argument : arguments) line += " " + Quote(argument);
    line += " >" + Quote(folder + "out.txt") + " 2>" + Quote(folder + "err.txt");
    int status = system(line.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, command.exitCode) << arguments[1];
    EXPECT_EQ(ReadAll(folder + "out.txt"), command.out) << arguments[1];
    EXPECT_EQ(ReadAll(folder + "err.txt"), command.err) << arguments[1];
  }
  EXPECT_EQ("0\t中国 \tChina\n", Lookup({"--query", "中國", "--folder", folder}).out);

  std::string alone = folder + "alone/";
  mkdir(alone.c_str(), 0755);
  std::string copy = "cp " + Quote(bin + "orlend-dict") + " " + Quote(alone);
  ASSERT_EQ(0, system(copy.c_str()));
  std::string line = Quote(alone + "orlend-dict") + " --query ";
  std::string rest = " --folder " + Quote(folder) + " >/dev/null 2>" + Quote(folder + "err.txt");
  int status = system((line + "中國" + rest).c_str());
  EXPECT_EQ(2, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  EXPECT_NE(std::string::npos, ReadAll(folder + "err.txt").find("cannot start the handheld program"));
  status = system((line + "china" + rest).c_str());
  EXPECT_EQ(0, WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ReadAll(folder + "err.txt");
  // PinYin run together is found through its rewrites by the command itself.
  status = system((line + "zhongguo --pinyin" + rest).c_str());
  EXPECT_EQ(0, WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ReadAll(folder + "err.txt");

  // Beside the table of the converter's keys, best matches of Chinese that converting would
  // not change are the command's own; a query it would change still needs the handheld program.
  if (access((bin + "scriptkeys.dat").c_str(), R_OK) != 0) GTEST_SKIP() << "no scriptkeys.dat was built";
  ASSERT_EQ(0, system(("cp " + Quote(bin + "scriptkeys.dat") + " " + Quote(alone)).c_str()));
  status = system((line + "中国 --best --folder " + Quote(folder) + " >" + Quote(folder + "out.txt") + " 2>" +
                   Quote(folder + "err.txt")).c_str());
  EXPECT_EQ(0, WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ReadAll(folder + "err.txt");
  const std::string answered = ReadAll(folder + "out.txt");
  EXPECT_EQ(Lookup(lookups[1]).out, answered);
  status = system((line + "中國" + rest).c_str());
  EXPECT_EQ(2, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  // Characters the index finds nothing for, which converting would not change, have their
  // answer: none; with best matches first, the headwords that hold two of them.
  status = system((line + "国人吃" + rest).c_str());
  EXPECT_EQ(1, WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ReadAll(folder + "err.txt");
  status = system((line + "国人 --best --folder " + Quote(folder) + " >" + Quote(folder + "out.txt") + " 2>" +
                   Quote(folder + "err.txt")).c_str());
  EXPECT_EQ(0, WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ReadAll(folder + "err.txt");
  EXPECT_EQ("2\t中国人 \tChinese person\n", ReadAll(folder + "out.txt"));
}

// A lookup starts in a few milliseconds only when it never loads what a screen or an image
// file needs, nor a converter module for its UTF-8.
TEST_F(CommandLine, LookupLoadsNoWindowFontOrSoundLibrary)
{
  environment = "LD_DEBUG=files ";
  Outcome run = Lookup({"--query", "china", "--folder", folder});
  EXPECT_EQ(0, run.exitCode);
  // The loader's trace is there (`timeout`'s C library at least: the command itself is
  // linked with no shared library where the toolchain allows, and then loads none).
  ASSERT_NE(std::string::npos, run.err.find("file=libc.so")) << run.err;
  for (const char* library : {"libSDL2", "libfreetype", "libfontconfig", "libasound", "libpulse", "libX11",
                              "libwayland", "libxkbcommon", "libdbus", "libpng", "libz.so"})
    EXPECT_EQ(std::string::npos, run.err.find(std::string("file=") + library)) << library << " loaded:\n" << run.err;
  EXPECT_EQ(std::string::npos, run.err.find("/gconv/")) << run.err;
}

}  // namespace
