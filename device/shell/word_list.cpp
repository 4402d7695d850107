#include "device/shell/word_list.h"

#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "device/definition/entry_parts.h"
#include "device/definition/tone_marks.h"
#include "device/dictionary/database.h"
#include "device/shell/program_folder.h"
#include "device/shell/replace_file.h"
#include "platform/utf.h"

namespace {

std::vector<std::u16string> g_words;
std::vector<std::u16string> g_keys;  // headword TAB pinyin of each word, what identifies it

std::u16string KeyOf(const std::u16string& headword, const std::u16string& pinyin) {
  return headword + u"\t" + pinyin;
}

void Keep(const EntryParts& parts);

// A kept line as the program writes it, from an entry's parts.
std::u16string LineOf(const EntryParts& parts) {
  std::u16string line = parts.headword;
  if (!parts.pinyin.empty()) line += u" [" + parts.pinyin + u"]";
  line += u" /";
  for (const std::u16string& sense : parts.senses) line += sense + u"/";
  return line;
}

std::u16string Utf16Line(const char* p, size_t n) {
  if (n == 0 || n > 8192) return u"";
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p, static_cast<int>(n), nullptr, 0);
  if (units <= 0) return u"";
  std::u16string line(static_cast<size_t>(units), u'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p, static_cast<int>(n), line.data(), units);
  for (char16_t c : line)
    if (c < 0x20 || c == 0xFFFD) return u"";  // control characters, NULs, tabs: no line of ours
  return line;
}

void Keep(const EntryParts& parts) {
  g_words.push_back(LineOf(parts));
  g_keys.push_back(KeyOf(parts.headword, parts.pinyin));
}

void TakeLine(const char* p, size_t n, std::unordered_set<std::u16string>* seen) {
  if (n > 0 && p[n - 1] == '\r') --n;
  if (n == 0 || p[0] == '#' || g_words.size() >= WORD_LIST_MOST) return;
  std::u16string line = Utf16Line(p, n);
  if (line.empty() || line[0] == u' ' || line[0] == u'[' || line[0] == u'/') return;
  EntryParts parts = SplitEntry(line.data(), static_cast<int>(line.size()));
  if (parts.headword.empty() || (parts.pinyin.empty() && parts.senses.empty())) return;
  if (!seen->insert(KeyOf(parts.headword, parts.pinyin)).second) return;
  Keep(parts);
}

int WriteWordList() {
  std::string text = "# Word list: one CC-CEDICT line per word kept\n";
  for (const std::u16string& word : g_words) text += platform::Utf8FromUtf16(word) + "\n";
  return ReplaceProgramFile(WORD_LIST_FILE_NAME, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()));
}

std::string Field(const std::u16string& text) {
  std::string out = platform::Utf8FromUtf16(text);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

void ReadWordList() {
  g_words.clear();
  g_keys.clear();
  std::vector<char> bytes;
  if (!ReadProgramFile(WORD_LIST_FILE_NAME, WORD_LIST_READ_LIMIT, &bytes)) return;
  size_t total = bytes.size();
  std::unordered_set<std::u16string> seen;
  size_t start = 0;
  for (size_t i = 0; i < total; ++i) {
    if (bytes[i] != '\n') continue;
    TakeLine(bytes.data() + start, i - start, &seen);
    start = i + 1;
  }
}

int WordCount() { return static_cast<int>(g_words.size()); }

std::u16string WordAt(int i) {
  return i >= 0 && i < WordCount() ? g_words[static_cast<size_t>(i)] : u"";
}

int FindWord(const std::u16string& headword, const std::u16string& pinyin) {
  std::u16string key = KeyOf(headword, pinyin);
  for (size_t i = 0; i < g_keys.size(); ++i)
    if (g_keys[i] == key) return static_cast<int>(i);
  return -1;
}

int FindEntryWord(int entry) {
  WCHAR* text = nullptr;
  int length = CopyEntryText(entry, &text);
  if (!text) return -1;
  EntryParts parts = SplitEntry(text, length);
  std::free(text);
  return FindWord(parts.headword, parts.pinyin);
}

int AddEntryWord(int entry) {
  WCHAR* text = nullptr;
  int length = CopyEntryText(entry, &text);
  if (!text) return 0;
  EntryParts parts = SplitEntry(text, length);
  std::free(text);
  if (parts.headword.empty()) return 0;
  if (FindWord(parts.headword, parts.pinyin) >= 0) return 1;
  if (g_words.size() >= WORD_LIST_MOST) return 0;
  Keep(parts);
  WriteWordList();
  return 1;
}

int RemoveWord(int i) {
  if (i < 0 || i >= WordCount()) return 0;
  g_words.erase(g_words.begin() + i);
  g_keys.erase(g_keys.begin() + i);
  WriteWordList();
  return 1;
}

std::string WordListTsv() {
  bool marks = ToneMarksOn();
  std::string text;
  for (const std::u16string& word : g_words) {
    EntryParts parts = SplitEntry(word.data(), static_cast<int>(word.size()));
    std::u16string definitions;
    for (const std::u16string& sense : parts.senses) {
      if (!definitions.empty()) definitions += u"; ";
      definitions += marks ? MarkBracketedPinyin(sense) : sense;
    }
    text += Field(parts.headword) + "\t" + Field(marks ? MarkPinyin(parts.pinyin) : parts.pinyin) + "\t" +
            Field(definitions) + "\n";
  }
  return text;
}

int ExportWordList() {
  std::string text = WordListTsv();
  return ReplaceProgramFile(WORD_LIST_EXPORT_NAME, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()));
}
