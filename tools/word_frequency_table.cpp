// word-frequency-table SOURCE OUTPUT: the handheld program's word-frequency list from
// jieba's segmenter dictionary (lines "word count tag", MIT licence). Keeps the words
// counted at least MIN_COUNT times, adds each one's Traditional form when OpenCC is there,
// and writes "word<TAB>count" lines sorted by the word's bytes, as the program's reader
// expects, after a line that vouches for them (WordFrequencyVouch). Exit: 0 written, 1 when SOURCE cannot be read or OUTPUT written, 2 on a usage error.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "device/dictionary/script_convert.h"
#include "device/dictionary/word_frequency.h"

// Rarer words do not change any order a learner sees, and would only make the list large.
#define MIN_COUNT 10

static std::string Traditional(const std::string& word)
{
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, word.data(), (int)word.size(), nullptr, 0);
  if (units <= 0 || units > 64) return std::string();
  WCHAR wide[65], converted[130];
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, word.data(), (int)word.size(), wide, units);
  int length = ConvertScript(wide, units, SCRIPT_TO_TRADITIONAL, converted, 130);
  if (length <= 0) return std::string();
  char bytes[400];
  int size = WideCharToMultiByte(CP_UTF8, 0, converted, length, bytes, sizeof bytes, nullptr, nullptr);
  return size > 0 ? std::string(bytes, (size_t)size) : std::string();
}

int main(int argc, char** argv)
{
  if (argc != 3 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: word-frequency-table SOURCE OUTPUT\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "word-frequency-table: cannot read %s\n", argv[1]);
    return 1;
  }
  std::map<std::string, unsigned long> counts;
  auto keep = [&](const std::string& word, unsigned long count) {
    if (word.empty() || word.size() > WORD_FREQUENCY_MAX_WORD) return;
    unsigned long& kept = counts[word];
    if (count > kept) kept = count;
  };
  std::string line;
  bool converting = ScriptConversionAvailable(SCRIPT_TO_TRADITIONAL);
  while (std::getline(in, line)) {
    size_t space = line.find(' ');
    if (space == std::string::npos || space == 0) continue;
    std::string word = line.substr(0, space);
    unsigned long count = std::strtoul(line.c_str() + space + 1, nullptr, 10);
    if (count < MIN_COUNT || word.find('\t') != std::string::npos) continue;
    keep(word, count);
    if (converting && (unsigned char)word[0] >= 0xE0) {
      std::string other = Traditional(word);
      if (!other.empty() && other != word) keep(other, count);
    }
  }
  std::string lines;
  for (const auto& [word, count] : counts) lines += word + "\t" + std::to_string(count) + "\n";
  // The second line vouches for the lines after it, so that the program searches them as
  // they stand instead of checking each one first.
  std::string out = "# word frequencies: counts of jieba's dictionary (MIT licence, https://github.com/fxsjy/jieba)\n" +
                    WordFrequencyVouch(lines.data(), lines.size(), counts.size()) + lines;
  FILE* file = std::fopen(argv[2], "wb");
  if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "word-frequency-table: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("word-frequency-table: %zu words%s\n", counts.size(), converting ? " (Simplified and Traditional)" : "");
  return 0;
}
