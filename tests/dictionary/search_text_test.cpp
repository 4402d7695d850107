#include <gtest/gtest.h>

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
