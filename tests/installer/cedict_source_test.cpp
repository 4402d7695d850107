#include "installer/cedict_source.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Format(const std::u16string& line, int variant) {
  CedictEntry entry;
  if (!ParseCedictLine(line.data(), static_cast<int>(line.size()), &entry)) return u"<not an entry>";
  std::u16string out(line.size(), u'\0');
  int n = FormatCedictEntry(&entry, variant, out.data(), static_cast<int>(out.size()));
  if (n < 0) return u"<too small>";
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace

TEST(CedictSource, EntriesKeepOneHeadwordAndOneSideOfEachCrossReference) {
  struct Case {
    std::u16string line, simplified, traditional;
  };
  const Case cases[] = {
      {u"中國 中国 [Zhong1 guo2] /China/", u"中国 [Zhong1 guo2] /China/", u"中國 [Zhong1 guo2] /China/"},
      {u"丈夫 丈夫 [zhang4 fu5] /husband/CL:個|个[ge4]/", u"丈夫 [zhang4 fu5] /husband/CL:个[ge4]/",
       u"丈夫 [zhang4 fu5] /husband/CL:個[ge4]/"},
      // Without a pronunciation, after '(' and ',' and with two in one definition.
      {u"甚 什 [shen2] /(also written 什麼|什么[shen2 me5], 甚麼|甚么)/see 遼寧省|辽宁省/",
       u"什 [shen2] /(also written 什么[shen2 me5], 甚么)/see 辽宁省/",
       u"甚 [shen2] /(also written 什麼[shen2 me5], 甚麼)/see 遼寧省/"},
      // A middle dot belongs to the name; Latin letters may too.
      {u"韋 韦 [wei2] /see 馬克思·韋伯|马克思·韦伯[Ma3 ke4 si1 · Wei2 bo2]/卡拉OK|卡拉OK[ka3 la1 O K]/",
       u"韦 [wei2] /see 马克思·韦伯[Ma3 ke4 si1 · Wei2 bo2]/卡拉OK[ka3 la1 O K]/",
       u"韋 [wei2] /see 馬克思·韋伯[Ma3 ke4 si1 · Wei2 bo2]/卡拉OK[ka3 la1 O K]/"},
      // A bar between Latin words is no reference.
      {u"或 或 [huo4] /either|or/a | b/", u"或 [huo4] /either|or/a | b/", u"或 [huo4] /either|or/a | b/"},
      // Characters beyond the BMP arrive as surrogate pairs and stay whole.
      {u"𠮶 𠮶 [ge3] /that/see 𠮶|𠮶[ge3]/", u"𠮶 [ge3] /that/see 𠮶[ge3]/", u"𠮶 [ge3] /that/see 𠮶[ge3]/"},
      {u"A A [A] /(slang) (Tw) to steal/  ", u"A [A] /(slang) (Tw) to steal/", u"A [A] /(slang) (Tw) to steal/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.line, CEDICT_SIMPLIFIED), c.simplified);
    EXPECT_EQ(Format(c.line, CEDICT_TRADITIONAL), c.traditional);
  }
}

TEST(CedictSource, LinesThatAreNotEntries) {
  const std::u16string lines[] = {
      u"",
      u"# CC-CEDICT",
      u"#! date=2019-05-27T20:06:35Z",
      u"中国 [zhong1 guo2] /China/",          // one headword only
      u"中國 中国 /China/",                    // no pronunciation
      u"中國 中国 [zhong1 guo2] /China",       // no closing '/'
      u"中國 中国 [zhong1 guo2 /China/",       // no ']'
      u"中國  [zhong1 guo2] /China/",          // empty second headword
      u" 中国 [zhong1 guo2] /China/",          // empty first headword
      u"中國 中国 [zhong1 guo2]/China/",       // no space before the definitions
  };
  for (const std::u16string& line : lines) {
    CedictEntry entry;
    EXPECT_EQ(ParseCedictLine(line.data(), static_cast<int>(line.size()), &entry), 0);
  }
}

TEST(CedictSource, FormatRefusesASmallBuffer) {
  std::u16string line = u"中國 中国 [zhong1 guo2] /China/";
  CedictEntry entry;
  ASSERT_EQ(ParseCedictLine(line.data(), static_cast<int>(line.size()), &entry), 1);
  WCHAR out[8];
  EXPECT_EQ(FormatCedictEntry(&entry, CEDICT_SIMPLIFIED, out, 8), -1);
}

TEST(CedictSource, HeaderNamesDateLicenseAndCredit) {
  CedictHeader header = {};
  const std::u16string lines[] = {u"# CC-CEDICT", u"#! date=2019-05-27T20:06:35Z",
                                  u"#! license=https://creativecommons.org/licenses/by-sa/4.0/",
                                  u"#! entries=116937"};
  for (const std::u16string& line : lines) ReadCedictHeaderLine(line.data(), static_cast<int>(line.size()), &header);
  EXPECT_EQ(std::u16string(header.date), u"2019-05-27");

  WCHAR text[256];
  int n = FormatCedictHeader(&header, CEDICT_TRADITIONAL, text, 256);
  ASSERT_GT(n, 0);
  std::u16string head(text, static_cast<size_t>(n));
  EXPECT_EQ(head.rfind(u"# CC-CEDICT of 2019-05-27, traditional headwords.", 0), 0u) << std::string(head.begin(), head.end());
  EXPECT_NE(head.find(u"CC BY-SA 4.0, https://creativecommons.org/licenses/by-sa/4.0/"), std::u16string::npos);
  EXPECT_NE(head.find(u"Credit: CC-CEDICT"), std::u16string::npos);
  EXPECT_EQ(FormatCedictHeader(&header, CEDICT_TRADITIONAL, text, 40), -1);

  // Nothing in the source: still one ASCII line, with the license it must carry.
  CedictHeader bare = {};
  const std::u16string odd = u"#! license=http://例え.jp/";
  ReadCedictHeaderLine(odd.data(), static_cast<int>(odd.size()), &bare);
  n = FormatCedictHeader(&bare, CEDICT_SIMPLIFIED, text, 256);
  ASSERT_GT(n, 0);
  head.assign(text, static_cast<size_t>(n));
  EXPECT_NE(head.find(u"unknown date, simplified headwords"), std::u16string::npos);
  EXPECT_NE(head.find(u"http://??.jp/"), std::u16string::npos);
  for (char16_t c : head) EXPECT_LT(c, 0x80);
}

TEST(CedictSource, RecognisesTheUtf8ListByItsCharsetLine) {
  struct Case {
    std::string bytes;
    int expected;
  };
  const Case cases[] = {
      {"# CC-CEDICT\n#! version=1\n#! charset=UTF-8\n#! date=x\n", 1},
      {"\xEF\xBB\xBF# CC-CEDICT\r\n#!  Charset=utf-8\r\n中 中 [zhong1] /middle/\n", 1},
      // The derived classic lists start with a comment line too, without the charset.
      {"# CC-CEDICT of 2019-05-27, simplified headwords. Credit: CC-CEDICT\r\n\xD6\xD0 [zhong1] /middle/\r\n", 0},
      {"# comment\nentry [x] /x/\n#! charset=UTF-8\n", 0},  // after the comment block
      {"#! charset=UTF-8", 0},                              // cut line in a sample
      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LooksLikeCedictUtf8(reinterpret_cast<const BYTE*>(c.bytes.data()), static_cast<DWORD>(c.bytes.size())),
              c.expected)
        << c.bytes;
  }
}
