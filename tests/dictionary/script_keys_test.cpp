#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "device/dictionary/database.h"
#include "device/dictionary/script_convert.h"
#include "device/dictionary/script_keys.h"
#include "tests/dictionary/dictionary_fixture.h"

namespace {

// A keys file of a few keys to Simplified, taken from a file of this test's own.
struct MadeKeys {
  std::string folder = NewTestFolder();
  std::string source = folder + "TSCharacters.ocd2", keys = folder + "scriptkeys.dat";

  bool Write(const std::vector<std::u16string>& toSimplified)
  {
    WriteBytes(source, {1, 2, 3});
    std::vector<SCRIPT_KEYS_DIRECTION> directions(2);
    directions[SCRIPT_TO_SIMPLIFIED].Keys = toSimplified;
    directions[SCRIPT_TO_SIMPLIFIED].Stamps.emplace_back();
    if (!StampScriptKeysSource(source, &directions[SCRIPT_TO_SIMPLIFIED].Stamps.back())) return false;
    std::vector<unsigned char> bytes = ScriptKeysFile(directions);
    WriteBytes(keys, std::vector<BYTE>(bytes.begin(), bytes.end()));
    SetScriptKeysFile(Widen(keys).c_str());
    return !bytes.empty();
  }
};

int Keeps(const std::u16string& text, int direction = SCRIPT_TO_SIMPLIFIED)
{
  return ConversionKeepsText(text.c_str(), (int)text.size(), direction);
}

TEST(ScriptKeys, ATextHoldingNoKeyIsKeptAndAnythingUncertainIsNot)
{
  MadeKeys made;
  ASSERT_TRUE(made.Write({u"國", u"書中自有", u"\U00020000"}));
  EXPECT_EQ(1, Keeps(u"中国"));
  EXPECT_EQ(1, Keeps(u"書中"));  // part of a key is no key
  EXPECT_EQ(1, Keeps(u""));
  for (const char16_t* changed : {u"國", u"中國", u"國家", u"讀書中自有千", u"一\U00020000二"})
    EXPECT_EQ(0, Keeps(changed)) << std::string(changed, changed + 1).size();
  EXPECT_EQ(0, Keeps(u"中国", SCRIPT_TO_TRADITIONAL));  // that direction has no stamp: never taken

  // A slot page that does not match its hash, a header changed (where nothing else would
  // tell), a source file changed: unknown.
  std::vector<BYTE> good = ReadBytes(made.keys);
  for (int damage = 0; damage < 2; damage++) {
    std::vector<BYTE> bad = good;
    bad[damage == 0 ? bad.size() - 4096 + 17 : 4000] ^= 1;
    WriteBytes(made.keys, bad);
    SetScriptKeysFile(Widen(made.keys).c_str());
    EXPECT_EQ(0, Keeps(u"中国")) << damage;
  }
  WriteBytes(made.keys, good);
  SetScriptKeysFile(Widen(made.keys).c_str());
  EXPECT_EQ(1, Keeps(u"中国"));
  WriteBytes(made.source, {1, 2, 3, 4});
  SetScriptKeysFile(Widen(made.keys).c_str());
  EXPECT_EQ(0, Keeps(u"中国"));
  SetScriptKeysFile(Widen(made.folder + "none.dat").c_str());
  EXPECT_EQ(0, Keeps(u"中国"));
  SetScriptKeysFile(nullptr);
}

// The table the build takes from the system's OpenCC never says a text is kept that the
// converter changes: pieces of words that convert and words that do not, both directions.
TEST(ScriptKeys, TheBuiltTableAgreesWithTheConverter)
{
  SetScriptKeysFile(Widen(std::string(ORLEND_BINARY_DIR) + "/bin/scriptkeys.dat").c_str());
  if (!ScriptConversionAvailable(SCRIPT_TO_SIMPLIFIED) || !ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL) ||
      Keeps(u"") == 0)
    GTEST_SKIP() << "no OpenCC or no scriptkeys.dat";
  const std::u16string words[] = {u"中国", u"中國", u"学习", u"學習", u"书中自有千钟粟", u"書中自有千鍾粟", u"头发",
                                  u"頭髮", u"乾燥", u"干燥", u"后面", u"後面", u"電腦", u"电脑", u"一", u"的", u"龍"};
  std::mt19937 random(3);
  int kept = 0, changed = 0;
  for (int round = 0; round < 2000; round++) {
    std::u16string text;
    for (int k = 1 + random() % 3; k > 0; k--) text += words[random() % (sizeof words / sizeof words[0])];
    text = text.substr(random() % text.size(), 1 + random() % 5);
    for (int direction : {SCRIPT_TO_TRADITIONAL, SCRIPT_TO_SIMPLIFIED}) {
      WCHAR out[64];
      int n = ConvertScript(text.c_str(), (int)text.size(), direction, out, 64);
      bool same = n == (int)text.size() && std::u16string(out, (size_t)n) == text;
      if (Keeps(text, direction)) {
        EXPECT_TRUE(same) << direction;
        kept++;
      }
      changed += !same;
    }
  }
  EXPECT_GT(kept, 500);
  EXPECT_GT(changed, 500);
  SetScriptKeysFile(nullptr);
}

}  // namespace
