#include <gtest/gtest.h>

#include <random>
#include <string>

#include "device/dictionary/search_text.h"
#include "device/shell/program_folder.h"

namespace {

std::u16string Trimmed(std::u16string text)
{
  int length = TrimQuery(text.data());
  EXPECT_EQ(std::char_traits<char16_t>::length(text.c_str()), (size_t)length);
  return std::u16string(text.c_str());
}

TEST(TrimQuery, OnlyOuterSpaces)
{
  EXPECT_EQ(u"to eat", Trimmed(u"  to eat   "));
  EXPECT_EQ(u"to  eat", Trimmed(u"to  eat"));
  EXPECT_EQ(u"\tx\u3000", Trimmed(u" \tx\u3000 "));  // only U+0020 counts
  EXPECT_EQ(u"", Trimmed(u"    "));
  EXPECT_EQ(u"", Trimmed(u""));
  EXPECT_EQ(u"a", Trimmed(u"a "));
}

std::u16string Left(const std::u16string& text)
{
  WCHAR out[ROW_TEXT_SIZE];
  int length = HeadwordRowText(text.c_str(), (int)text.size(), out);
  EXPECT_EQ(std::char_traits<char16_t>::length(out), (size_t)length);
  return out;
}

std::u16string Right(const std::u16string& text)
{
  WCHAR out[ROW_TEXT_SIZE];
  int length = DefinitionRowText(text.c_str(), (int)text.size(), out);
  EXPECT_EQ(std::char_traits<char16_t>::length(out), (size_t)length);
  return out;
}

TEST(RowTexts, HeadwordBeforeTheFirstMarker)
{
  EXPECT_EQ(u"中国 ", Left(u"中国 [zhong1 guo2] /China#zhong guo"));
  EXPECT_EQ(u"无 ", Left(u"无 /none#"));
  // The search starts at the second unit: a leading '/' is part of the headword.
  EXPECT_EQ(u"/ ", Left(u"/ [xie2] /slash#xie"));
  EXPECT_EQ(u"no markers#", Left(u"no markers#"));
  EXPECT_EQ(u"", Left(u""));
}

TEST(RowTexts, DefinitionsJoinedWithoutLeadingNotes)
{
  EXPECT_EQ(u"to eat, to consume", Right(u"吃 [chi1] /to eat/to consume#chi"));
  EXPECT_EQ(u"Wang, king", Right(u"王 [Wang2] /(surname) Wang/king#Wang"));
  EXPECT_EQ(u"x, y", Right(u"a [a1] /(one) (two) x/y#a"));
  EXPECT_EQ(u"(three) x", Right(u"a [a1] /(one) (two) (three) x#a"));
  // A note in the middle stays; an unclosed one is shown as it is.
  EXPECT_EQ(u"x (mid) y", Right(u"a [a1] /x (mid) y#a"));
  EXPECT_EQ(u"(open x, y", Right(u"a [a1] /(open x/y#a"));
  // Notes that are the whole definition are shown; the key never is.
  EXPECT_EQ(u"(gem)", Right(u"a [a1] /(gem)#a"));
  EXPECT_EQ(u"(one) (two)", Right(u"a [a1] /(one) (two)#a"));
  EXPECT_EQ(u"(one) ", Right(u"a [a1] /(one) #a"));
  // A '#' inside a note ends the definitions there.
  EXPECT_EQ(u"(a", Right(u"a [a1] /(a#b) x#c"));
  EXPECT_EQ(u"", Right(u"no definitions [a1]#a"));
  EXPECT_EQ(u"", Right(u""));
  // The definitions end at the first '#'.
  EXPECT_EQ(u"number sign ", Right(u"井号 [jing3 hao4] /number sign # (punctuation)/hash#jing hao"));
}

TEST(RowTexts, LongTextsAreCutToTheBuffer)
{
  std::u16string headword(400, u'字');
  std::u16string left = Left(headword + u" [zi4] /x#zi");
  EXPECT_EQ(headword.substr(0, ROW_TEXT_SIZE - 1), left);

  std::u16string many = u"a [a1] /";
  for (int i = 0; i < 200; i++) many += u"b/";
  many += u"c#a";
  std::u16string right = Right(many);
  ASSERT_EQ((size_t)ROW_TEXT_SIZE - 1, right.size());
  EXPECT_EQ(u"b, b, b", right.substr(0, 7));
}

// A row text the general way: the UTF-16 row, then UTF-8; "fallback" when the UTF-8 way
// leaves it to that.
std::string Utf8Row(int (*utf8)(const WCHAR*, int, char*), int (*wide)(const WCHAR*, int, WCHAR*),
                    const std::u16string& text, bool* fallback)
{
  char out[ROW_UTF8_SIZE + 1];
  int size = utf8(text.c_str(), (int)text.size(), out);
  *fallback = size < 0;
  if (size >= 0) return std::string(out, (size_t)size);
  WCHAR row[ROW_TEXT_SIZE];
  int units = wide(text.c_str(), (int)text.size(), row);
  size = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, row, units, out, sizeof out, nullptr, nullptr) : 0;
  return std::string(out, (size_t)size);
}

std::string GeneralRow(int (*wide)(const WCHAR*, int, WCHAR*), const std::u16string& text)
{
  WCHAR row[ROW_TEXT_SIZE];
  char out[4 * ROW_TEXT_SIZE];
  int units = wide(text.c_str(), (int)text.size(), row);
  int size = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, row, units, out, sizeof out, nullptr, nullptr) : 0;
  return std::string(out, (size_t)size);
}

TEST(RowTexts, TheUtf8RowsAreTheRowTextsInUtf8)
{
  // Texts of markers, notes, ASCII, two- and three-byte units and surrogates (whole and
  // lone), of every length around the cut, in runs long enough for the eight-unit steps.
  const std::u16string pieces[] = {u"/", u"#", u"(", u")", u"[", u" ", u"a", u"bcdefghij", u"é", u"中",
                                    u"\U00020000", u"\xD800", u"/(n) ", u"/(n)#", u"x/y/", u"\u00FF\u0080\u07FF\u0800"};
  std::mt19937 random(5);
  int fast = 0, general = 0;
  for (int round = 0; round < 4000; round++) {
    std::u16string text;
    const size_t target = random() % 3 == 0 ? 240 + random() % 40 : random() % 60;
    while (text.size() < target) text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    if (round % 2) text = u"字 [zi4] /" + text;
    bool fallback = false;
    EXPECT_EQ(GeneralRow(HeadwordRowText, text), Utf8Row(HeadwordRowUtf8, HeadwordRowText, text, &fallback));
    EXPECT_EQ(GeneralRow(DefinitionRowText, text), Utf8Row(DefinitionRowUtf8, DefinitionRowText, text, &fallback))
        << round;
    (fallback ? general : fast)++;
  }
  // Rows of every length around the cut, with and without slashes in them.
  for (size_t units = ROW_TEXT_SIZE - 3; units <= ROW_TEXT_SIZE + 1; units++) {
    // Ten slashes: the row is ten units longer than the text.
    std::u16string headword(units, u'h'), plain(units, u'd'), slashed = std::u16string(units - 30, u'd');
    for (int k = 0; k < 10; k++) slashed += u"d/";
    for (const std::u16string& text : {headword + u" [a1] /x#a", u"a [a1] /" + plain + u"#a", u"a [a1] /" + slashed + u"#a"}) {
      bool fallback = false;
      EXPECT_EQ(GeneralRow(HeadwordRowText, text), Utf8Row(HeadwordRowUtf8, HeadwordRowText, text, &fallback)) << units;
      EXPECT_EQ(GeneralRow(DefinitionRowText, text), Utf8Row(DefinitionRowUtf8, DefinitionRowText, text, &fallback))
          << units;
      (fallback ? general : fast)++;
    }
  }
  EXPECT_GT(fast, 1000);
  EXPECT_GT(general, 500);
}

std::u16string Count(int count)
{
  WCHAR out[COUNT_TEXT_SIZE];
  ResultCountText(count, out);
  return out;
}

TEST(RowTexts, ResultCount)
{
  EXPECT_EQ(u"(No search results)", Count(0));
  EXPECT_EQ(u"(One search result)", Count(1));
  EXPECT_EQ(u"(2 seach results)", Count(2));
  EXPECT_EQ(u"(27 seach results)", Count(27));
  EXPECT_EQ(u"(116937 seach results)", Count(116937));
}

TEST(ProgramFolder, CutAfterTheLastSeparator)
{
  SetProgramFolderFromFile(u"\\Program Files\\Dict\\dict.exe");
  EXPECT_EQ(u"\\Program Files\\Dict\\", std::u16string(ProgramFolder()));
  SetProgramFolderFromFile(u"/opt/dict/bin/orlend-dict");
  EXPECT_EQ(u"/opt/dict/bin/", std::u16string(ProgramFolder()));
  SetProgramFolderFromFile(u"dict.exe");
  EXPECT_EQ(u"dict.exe", std::u16string(ProgramFolder()));

  SetProgramFolder(u"/data/dict");
  EXPECT_EQ(u"/data/dict/", std::u16string(ProgramFolder()));
  SetProgramFolder(u"C:\\dict\\");
  EXPECT_EQ(u"C:\\dict\\", std::u16string(ProgramFolder()));
  SetProgramFolder(u"");
  EXPECT_EQ(u"", std::u16string(ProgramFolder()));
  // Too long a folder is cut, never written past the buffer.
  SetProgramFolder(std::u16string(2000, u'x').c_str());
  EXPECT_EQ((size_t)PROGRAM_FOLDER_SIZE - 1, std::u16string(ProgramFolder()).size());
}

TEST(ProgramFolder, TheRunningProgramsFolder)
{
  InitProgramFolder();
  std::u16string folder = ProgramFolder();
  std::string expected = std::string(ORLEND_BINARY_DIR) + "/bin/";
  EXPECT_EQ(std::u16string(expected.begin(), expected.end()), folder);
}

}  // namespace
