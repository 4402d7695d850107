// Script conversion through the system's OpenCC, phrase by phrase.
#include "device/dictionary/script_convert.h"

#include <gtest/gtest.h>

#include <string>

static std::u16string Convert(const std::u16string& text, int direction, int outSize = 64)
{
  WCHAR out[64];
  int length = ConvertScript(reinterpret_cast<const WCHAR*>(text.data()), static_cast<int>(text.size()), direction,
                             out, outSize);
  if (length < 0) return u"<none>";
  return std::u16string(reinterpret_cast<const char16_t*>(out), length);
}

TEST(ScriptConvert, PhrasesGoBothWaysAndOtherTextStays)
{
  if (!ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL) || !ScriptConversionAvailable(SCRIPT_TO_SIMPLIFIED))
    GTEST_SKIP() << "OpenCC is not installed (tools/setup.sh installs it)";
  EXPECT_EQ(Convert(u"学习", SCRIPT_TO_TRADITIONAL), u"學習");
  EXPECT_EQ(Convert(u"學習", SCRIPT_TO_SIMPLIFIED), u"学习");
  // A phrase decides the character: 发 is 髮 in hair and 發 in sending.
  EXPECT_EQ(Convert(u"头发", SCRIPT_TO_TRADITIONAL), u"頭髮");
  EXPECT_EQ(Convert(u"发展", SCRIPT_TO_TRADITIONAL), u"發展");
  EXPECT_EQ(Convert(u"love 爱", SCRIPT_TO_TRADITIONAL), u"love 愛");
  EXPECT_EQ(Convert(u"", SCRIPT_TO_TRADITIONAL), u"");
}

TEST(ScriptConvert, RefusesWhatItCannotConvertSafely)
{
  if (!ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL)) GTEST_SKIP() << "OpenCC is not installed";
  const char16_t lone[] = {u'学', 0xD800, u'习'};
  EXPECT_EQ(Convert(std::u16string(lone, 3), SCRIPT_TO_TRADITIONAL), u"<none>");
  // The result must fit with its terminator.
  EXPECT_EQ(Convert(u"学习", SCRIPT_TO_TRADITIONAL, 2), u"<none>");
  EXPECT_EQ(Convert(u"学习", SCRIPT_TO_TRADITIONAL, 3), u"學習");
  EXPECT_EQ(Convert(u"学习", 7), u"<none>");
}
