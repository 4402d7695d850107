#include "device/definition/tone_marks.h"

#include <cstring>

#include "device/shell/settings.h"

namespace {

// Marked vowels by tone 1 to 4: a e i o u ü, then their capitals.
const char16_t kMarked[12][4] = {
    {0x0101, 0x00E1, 0x01CE, 0x00E0}, {0x0113, 0x00E9, 0x011B, 0x00E8}, {0x012B, 0x00ED, 0x01D0, 0x00EC},
    {0x014D, 0x00F3, 0x01D2, 0x00F2}, {0x016B, 0x00FA, 0x01D4, 0x00F9}, {0x01D6, 0x01D8, 0x01DA, 0x01DC},
    {0x0100, 0x00C1, 0x01CD, 0x00C0}, {0x0112, 0x00C9, 0x011A, 0x00C8}, {0x012A, 0x00CD, 0x01CF, 0x00CC},
    {0x014C, 0x00D3, 0x01D1, 0x00D2}, {0x016A, 0x00DA, 0x01D3, 0x00D9}, {0x01D5, 0x01D7, 0x01D9, 0x01DB},
};
// Combining marks for the syllabic m and n (hm, ng, m2): macron, acute, caron, grave.
const char16_t kCombining[4] = {0x0304, 0x0301, 0x030C, 0x0300};

int VowelIndex(char16_t c) {
  const char16_t vowels[] = u"aeiouüAEIOUÜ";
  for (int i = 0; i < 12; ++i)
    if (vowels[i] == c) return i;
  return -1;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c == 0xDC ? 0xFC : c; }

bool IsSetting(const char* key) {
  const char* value = GetSetting(key);
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

int SyllableTone(const std::u16string& s) {
  if (s.size() < 2) return 0;
  char16_t digit = s.back();
  if (digit < u'1' || digit > u'5') return 0;
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    char16_t c = s[i];
    bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == 0xFC || c == 0xDC;
    bool umlaut = c == u':' && i > 0 && Lower(s[i - 1]) == u'u';
    if (!letter && !umlaut) return 0;
  }
  return digit - u'0';
}

std::u16string MarkSyllable(const std::u16string& syllable) {
  int tone = SyllableTone(syllable);
  if (tone == 0) return syllable;
  std::u16string base;
  for (size_t i = 0; i + 1 < syllable.size(); ++i) {
    if (syllable[i] == u':') {
      base.back() = base.back() == u'U' ? 0xDC : 0xFC;  // u: is ü
      continue;
    }
    base += syllable[i];
  }
  if (tone == 5) return base;
  int at = -1;
  for (size_t i = 0; i < base.size() && at < 0; ++i)
    if (Lower(base[i]) == u'a' || Lower(base[i]) == u'e') at = static_cast<int>(i);
  if (at < 0)
    for (size_t i = 0; i + 1 < base.size() && at < 0; ++i)
      if (Lower(base[i]) == u'o' && Lower(base[i + 1]) == u'u') at = static_cast<int>(i);
  if (at < 0)
    for (size_t i = base.size(); i-- > 0 && at < 0;)
      if (VowelIndex(base[i]) >= 0) at = static_cast<int>(i);
  if (at >= 0) {
    base[static_cast<size_t>(at)] = kMarked[VowelIndex(base[static_cast<size_t>(at)])][tone - 1];
    return base;
  }
  // No vowel: the syllabic nasal carries the mark (ḿ, ńg).
  for (size_t i = 0; i < base.size(); ++i)
    if (Lower(base[i]) == u'm' || Lower(base[i]) == u'n') {
      base.insert(i + 1, 1, kCombining[tone - 1]);
      return base;
    }
  return syllable;
}

std::vector<std::u16string> Syllables(const std::u16string& pinyin) {
  std::vector<std::u16string> out;
  size_t i = 0;
  while (i < pinyin.size()) {
    size_t j = pinyin.find(u' ', i);
    if (j == std::u16string::npos) j = pinyin.size();
    if (j > i) out.push_back(pinyin.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

std::u16string MarkPinyin(const std::u16string& pinyin) {
  std::u16string out;
  size_t i = 0;
  while (i < pinyin.size()) {
    size_t j = i;
    while (j < pinyin.size() && pinyin[j] != u' ') ++j;
    out += MarkSyllable(pinyin.substr(i, j - i));
    while (j < pinyin.size() && pinyin[j] == u' ') out += pinyin[j++];
    i = j;
  }
  return out;
}

std::u16string MarkBracketedPinyin(const std::u16string& text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find(u'[', i);
    size_t close = open == std::u16string::npos ? open : text.find(u']', open);
    if (close == std::u16string::npos) {
      out.append(text, i, std::u16string::npos);
      break;
    }
    out.append(text, i, open + 1 - i);
    out += MarkPinyin(text.substr(open + 1, close - open - 1));
    out += u']';
    i = close + 1;
  }
  return out;
}

COLORREF ToneColour(int tone, COLORREF other) {
  switch (tone) {
    case 1: return RGB(214, 0, 0);
    case 2: return RGB(190, 90, 0);
    case 3: return RGB(0, 128, 0);
    case 4: return RGB(0, 0, 220);
    case 5: return RGB(112, 112, 112);
    default: return other;
  }
}

int ToneMarksOn() { return IsSetting("tone_marks"); }
int ToneColoursOn() { return IsSetting("tone_colours"); }
