#include "device/dictionary/pinyin_input.h"

#include <cstdint>
#include <cstring>

namespace {

// Every syllable of standard Mandarin pinyin, toneless, ü written u: as in the word list.
// The lone nasals (m, n, ng, hm) are left out: they would split almost any run.
const char* const kSyllables[] = {
    "a", "ai", "an", "ang", "ao", "ba", "bai", "ban", "bang", "bao", "bei", "ben", "beng", "bi", "bian", "biao",
    "bie", "bin", "bing", "bo", "bu", "ca", "cai", "can", "cang", "cao", "ce", "cen", "ceng", "cha", "chai", "chan",
    "chang", "chao", "che", "chen", "cheng", "chi", "chong", "chou", "chu", "chua", "chuai", "chuan", "chuang",
    "chui", "chun", "chuo", "ci", "cong", "cou", "cu", "cuan", "cui", "cun", "cuo", "da", "dai", "dan", "dang",
    "dao", "de", "dei", "den", "deng", "di", "dia", "dian", "diao", "die", "ding", "diu", "dong", "dou", "du", "duan",
    "dui", "dun", "duo", "e", "ei", "en", "eng", "er", "fa", "fan", "fang", "fei", "fen", "feng", "fo", "fou", "fu",
    "ga", "gai", "gan", "gang", "gao", "ge", "gei", "gen", "geng", "gong", "gou", "gu", "gua", "guai", "guan",
    "guang", "gui", "gun", "guo", "ha", "hai", "han", "hang", "hao", "he", "hei", "hen", "heng", "hong", "hou", "hu",
    "hua", "huai", "huan", "huang", "hui", "hun", "huo", "ji", "jia", "jian", "jiang", "jiao", "jie", "jin", "jing",
    "jiong", "jiu", "ju", "juan", "jue", "jun", "ka", "kai", "kan", "kang", "kao", "ke", "kei", "ken", "keng", "kong",
    "kou", "ku", "kua", "kuai", "kuan", "kuang", "kui", "kun", "kuo", "la", "lai", "lan", "lang", "lao", "le", "lei",
    "leng", "li", "lia", "lian", "liang", "liao", "lie", "lin", "ling", "liu", "lo", "long", "lou", "lu", "lu:", "lu:e", "luan",
    "lun", "luo", "ma", "mai", "man", "mang", "mao", "me", "mei", "men", "meng", "mi", "mian", "miao",
    "mie", "min", "ming", "miu", "mo", "mou", "mu", "na", "nai", "nan", "nang", "nao", "ne", "nei", "nen", "neng",
    "ni", "nian", "niang", "niao", "nie", "nin", "ning", "niu", "nong", "nou", "nu", "nu:", "nu:e", "nuan", "nun",
    "nuo", "o", "ou", "pa", "pai", "pan", "pang", "pao", "pei", "pen", "peng", "pi", "pian", "piao", "pie", "pin",
    "ping", "po", "pou", "pu", "qi", "qia", "qian", "qiang", "qiao", "qie", "qin", "qing", "qiong", "qiu", "qu",
    "quan", "que", "qun", "ran", "rang", "rao", "re", "ren", "reng", "ri", "rong", "rou", "ru", "rua", "ruan", "rui",
    "run", "ruo", "sa", "sai", "san", "sang", "sao", "se", "sen", "seng", "sha", "shai", "shan", "shang", "shao",
    "she", "shei", "shen", "sheng", "shi", "shou", "shu", "shua", "shuai", "shuan", "shuang", "shui", "shun", "shuo",
    "si", "song", "sou", "su", "suan", "sui", "sun", "suo", "ta", "tai", "tan", "tang", "tao", "te", "teng", "ti",
    "tian", "tiao", "tie", "ting", "tong", "tou", "tu", "tuan", "tui", "tun", "tuo", "wa", "wai", "wan", "wang",
    "wei", "wen", "weng", "wo", "wu", "xi", "xia", "xian", "xiang", "xiao", "xie", "xin", "xing", "xiong", "xiu",
    "xu", "xuan", "xue", "xun", "ya", "yan", "yang", "yao", "ye", "yi", "yin", "ying", "yo", "yong", "you", "yu",
    "yuan", "yue", "yun", "za", "zai", "zan", "zang", "zao", "ze", "zei", "zen", "zeng", "zha", "zhai", "zhan",
    "zhang", "zhao", "zhe", "zhei", "zhen", "zheng", "zhi", "zhong", "zhou", "zhu", "zhua", "zhuai", "zhuan",
    "zhuang", "zhui", "zhun", "zhuo", "zi", "zong", "zou", "zu", "zuan", "zui", "zun", "zuo"};

// The longest syllable, zhuang, has 6 letters; lu:e has 4 units.
const int kLongestSyllable = 6;

WCHAR Lower(WCHAR c) { return c >= u'A' && c <= u'Z' ? (WCHAR)(c + 32) : c; }

bool InTable(const WCHAR* text, int length)
{
  if (length <= 0 || length > kLongestSyllable) return false;
  char key[8];
  for (int i = 0; i < length; i++) {
    WCHAR c = Lower(text[i]);
    if (c > 0x7F) return false;
    key[i] = (char)c;
  }
  key[length] = 0;
  // The table is in byte order.
  int low = 0, high = (int)(sizeof kSyllables / sizeof kSyllables[0]);
  while (low < high) {
    int middle = (low + high) / 2;
    int c = std::strcmp(kSyllables[middle], key);
    if (c == 0) return true;
    if (c < 0) low = middle + 1;
    else high = middle;
  }
  return false;
}

// A vowel with a tone mark: its letter and tone; ü forms give 'v' (written u: later).
bool ToneMarked(WCHAR c, WCHAR* letter, int* tone)
{
  static const struct { WCHAR mark; char letter; char tone; } kMarks[] = {
      {0x101, 'a', 1}, {0xE1, 'a', 2}, {0x1CE, 'a', 3}, {0xE0, 'a', 4}, {0x113, 'e', 1}, {0xE9, 'e', 2},
      {0x11B, 'e', 3}, {0xE8, 'e', 4}, {0x12B, 'i', 1}, {0xED, 'i', 2}, {0x1D0, 'i', 3}, {0xEC, 'i', 4},
      {0x14D, 'o', 1}, {0xF3, 'o', 2}, {0x1D2, 'o', 3}, {0xF2, 'o', 4}, {0x16B, 'u', 1}, {0xFA, 'u', 2},
      {0x1D4, 'u', 3}, {0xF9, 'u', 4}, {0x1D6, 'v', 1}, {0x1D8, 'v', 2}, {0x1DA, 'v', 3}, {0x1DC, 'v', 4},
      {0x100, 'A', 1}, {0xC1, 'A', 2}, {0x1CD, 'A', 3}, {0xC0, 'A', 4}, {0x112, 'E', 1}, {0xC9, 'E', 2},
      {0x11A, 'E', 3}, {0xC8, 'E', 4}, {0x14C, 'O', 1}, {0xD3, 'O', 2}, {0x1D1, 'O', 3}, {0xD2, 'O', 4}};
  for (const auto& m : kMarks)
    if (m.mark == c) {
      *letter = (WCHAR)m.letter;
      *tone = m.tone;
      return true;
    }
  return false;
}

// One typed run between separators: its letters (ü as u:) and the tone each unit carries.
struct Run {
  std::u16string letters;
  std::vector<int> tones;  // per unit of letters, 0 for none
  int digit = 0;           // a tone digit typed after the run
};

// Ways to cut run into table syllables, longer syllables tried first (at most kMaxCuts);
// each way is the list of syllable end positions.
const size_t kMaxCuts = 16;
void Cuts(const std::u16string& run, size_t from, std::vector<size_t>* ends, std::vector<std::vector<size_t>>* out)
{
  if (out->size() >= kMaxCuts) return;
  if (from == run.size()) {
    out->push_back(*ends);
    return;
  }
  for (int n = kLongestSyllable; n >= 1; n--) {
    if (from + n > run.size()) continue;
    // A syllable never ends just before the colon of u:.
    if (from + n < run.size() && run[from + n] == u':') continue;
    if (!InTable(run.data() + from, n)) continue;
    ends->push_back(from + n);
    Cuts(run, from + n, ends, out);
    ends->pop_back();
  }
}

}  // namespace

int IsPinyinSyllable(const WCHAR* text, int length) { return InTable(text, length) ? 1 : 0; }

std::vector<std::u16string> PinyinRewrites(const WCHAR* query, int length)
{
  std::vector<std::u16string> rewrites;
  if (!query || length <= 0) return rewrites;
  std::vector<Run> runs;
  Run current;
  auto close = [&]() {
    if (!current.letters.empty()) runs.push_back(current);
    else if (current.digit) runs.push_back(current);
    current = Run();
  };
  for (int i = 0; i < length; i++) {
    WCHAR c = query[i], letter;
    int tone = 0;
    if (c == u' ' || c == u'\'' || c == 0x2019) {
      close();
    } else if (c >= u'1' && c <= u'5') {
      if (current.letters.empty() || current.digit) return rewrites;
      current.digit = c - u'0';
      close();
    } else if (c == u'v' || c == u'V' || c == 0xFC || c == 0xDC) {
      current.letters += (c == u'V' || c == 0xDC) ? u"U:" : u"u:";
      current.tones.insert(current.tones.end(), {0, 0});
    } else if (c == u':' && !current.letters.empty() && Lower(current.letters.back()) == u'u') {
      current.letters += c;
      current.tones.push_back(0);
    } else if (ToneMarked(c, &letter, &tone)) {
      if (letter == u'v') {
        current.letters += u"u:";
        current.tones.insert(current.tones.end(), {tone, tone});
      } else {
        current.letters += letter;
        current.tones.push_back(tone);
      }
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      current.letters += c;
      current.tones.push_back(0);
    } else {
      return rewrites;  // no pinyin
    }
  }
  close();
  if (runs.empty()) return rewrites;

  // Each run's ways to be cut; a run that cannot be cut stays as typed.
  std::vector<std::vector<std::vector<size_t>>> ways(runs.size());
  for (size_t r = 0; r < runs.size(); r++) {
    const std::u16string& letters = runs[r].letters;
    if (InTable(letters.data(), (int)letters.size())) {
      ways[r].push_back({letters.size()});
      continue;
    }
    std::vector<size_t> ends;
    std::vector<std::vector<size_t>> all;
    Cuts(letters, 0, &ends, &all);
    // The fewest syllables: xuexi is xue xi, not xu e xi, while fangan is fang an or fan gan.
    size_t fewest = SIZE_MAX;
    for (const auto& way : all) fewest = way.size() < fewest ? way.size() : fewest;
    for (const auto& way : all)
      if (way.size() == fewest && ways[r].size() < MAX_PINYIN_REWRITES) ways[r].push_back(way);
    if (ways[r].empty()) ways[r].push_back({letters.size()});
  }

  std::vector<size_t> choice(runs.size(), 0);
  std::u16string typed(query, (size_t)length);
  for (;;) {
    // Syllables of this choice with their tones.
    std::vector<std::pair<std::u16string, int>> syllables;
    for (size_t r = 0; r < runs.size(); r++) {
      const Run& run = runs[r];
      size_t start = 0;
      const std::vector<size_t>& ends = ways[r][choice[r]];
      for (size_t k = 0; k < ends.size(); k++) {
        int tone = 0;
        for (size_t u = start; u < ends[k]; u++)
          if (run.tones[u]) tone = run.tones[u];
        if (k + 1 == ends.size() && run.digit) tone = run.digit;
        syllables.push_back({run.letters.substr(start, ends[k] - start), tone});
        start = ends[k];
      }
    }
    bool toned = true;
    for (const auto& s : syllables)
      if (!s.second) toned = false;
    std::u16string text;
    for (const auto& s : syllables) {
      if (!text.empty()) text += u' ';
      text += s.first;
      if (toned) text += (WCHAR)(u'0' + s.second);
    }
    bool known = text == typed;
    for (const auto& r : rewrites) known = known || r == text;
    if (!known && !text.empty()) rewrites.push_back(text);
    if (rewrites.size() >= MAX_PINYIN_REWRITES) break;
    // The next combination of ways.
    size_t r = 0;
    while (r < runs.size() && ++choice[r] == ways[r].size()) choice[r++] = 0;
    if (r == runs.size()) break;
  }
  return rewrites;
}
