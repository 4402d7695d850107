#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

#include "platform/windows.h"

namespace {

std::u16string ToWide(UINT cp, const std::string& bytes) {
  int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n) {
    EXPECT_EQ(MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
  }
  return out;
}

TEST(CodePages, GbAndBig5Headwords) {
  EXPECT_EQ(ToWide(936, "\xD6\xD0\xB9\xFA [zhong1 guo2] /China/"), u"中国 [zhong1 guo2] /China/");
  EXPECT_EQ(ToWide(950, "\xA4\xA4\xB0\xEA"), u"中國");
  EXPECT_EQ(ToWide(CP_UTF8, "\xE4\xB8\xAD"), u"中");
}

TEST(CodePages, InvalidBytesBecomeReplacementCharacters) {
  // 0xFF is no GBK character, and a lead byte at the end has no trail. (0x80 is the euro sign.)
  EXPECT_EQ(ToWide(936, "\x80"), u"\x20AC");
  std::u16string w = ToWide(936, std::string("a\xFF" "b\xD6", 4));
  EXPECT_EQ(w, u"a\xFFFD" u"b\xFFFD");
  EXPECT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
  // A lead byte with a byte that may trail it is one character, only unmapped: one U+FFFD,
  // and the characters after it keep their step. A lead byte before one that cannot trail
  // it is a byte alone.
  EXPECT_EQ(ToWide(936, "\xAA\xA1\xD6\xD0\xB9\xFA"), u"\xFFFD中国");
  EXPECT_EQ(ToWide(950, "\x81\x40\xA4\xA4\xB0\xEA"), u"\xFFFD中國");
  EXPECT_EQ(ToWide(950, "\x81\x20\xA4\xA4"), u"\xFFFD 中");
}

// UTF-8 is decoded without iconv; it must read every byte string as iconv reads it, one
// U+FFFD per byte that starts no character (truncated, overlong, surrogate, beyond U+10FFFF).
std::u16string IconvUtf8(const std::string& bytes, bool* clean) {
  *clean = true;
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  std::u16string out;
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char16_t buffer[64];
    char* to = reinterpret_cast<char*>(buffer);
    size_t toLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &to, &toLeft);
    out.append(buffer, (sizeof buffer - toLeft) / 2);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out += u'\xFFFD';
      *clean = false;
      in++;
      inLeft--;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

TEST(CodePages, Utf8IsReadAsIconvReadsIt) {
  std::mt19937 random(7);
  // Bytes drawn mostly from the ones that start and continue characters.
  const unsigned char pool[] = {'a', ' ', 0x7F, 0x80, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xE4, 0xED, 0xEF,
                                0xF0, 0xF4, 0xF5, 0xFF, 0x8F, 0x90, 0x9F, 0xA0, 0xB8, 0xAD};
  for (int round = 0; round < 3000; round++) {
    std::string bytes;
    for (int k = random() % 9; k > 0; k--) bytes += static_cast<char>(pool[random() % sizeof pool]);
    if (bytes.empty()) continue;
    bool clean = false;
    std::u16string expected = IconvUtf8(bytes, &clean);
    ASSERT_EQ(ToWide(CP_UTF8, bytes), expected) << "round " << round;
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0) > 0, clean) << "round " << round;
  }
}

// A lone surrogate is one bad unit: the unit after it is a character of its own.
TEST(CodePages, ALoneSurrogateTakesOneUnitOnly) {
  char out[16];
  int n = WideCharToMultiByte(CP_UTF8, 0, u"\xD800x\xDC00y", 4, out, sizeof out, nullptr, nullptr);
  EXPECT_EQ(std::string(out, n > 0 ? n : 0), "?x?y");
  // Every length of UTF-8, a pair, and a high surrogate that ends the text.
  n = WideCharToMultiByte(CP_UTF8, 0, u"a\u00E9\u4E2D\U0001F600\xDBFF", 6, out, sizeof out, nullptr, nullptr);
  EXPECT_EQ(std::string(out, n > 0 ? n : 0), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80?");
  n = WideCharToMultiByte(936, 0, u"\xD83D\xDE00z", 3, out, sizeof out, nullptr, nullptr);
  EXPECT_EQ(std::string(out, n > 0 ? n : 0), "?z");  // a whole pair GB lacks: one character
}

TEST(CodePages, SmallBufferAndBadArguments) {
  WCHAR out[2];
  EXPECT_EQ(MultiByteToWideChar(936, 0, "abc", 3, out, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(12345, 0, "abc", 3, out, 2), 0);
  EXPECT_EQ(MultiByteToWideChar(936, 0, nullptr, 3, out, 2), 0);
}

TEST(CodePages, WideToGbWithDefaultCharacter) {
  char out[16];
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(936, 0, u"中\u0E01", 2, out, sizeof out, "?", &usedDefault);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(std::string(out, 3), "\xD6\xD0?");
  EXPECT_TRUE(usedDefault);
}

}  // namespace
