#include "device/dictionary/word_frequency.h"

#include <cstring>
#include <string>
#include <vector>

#include "device/shell/program_folder.h"

namespace {

// One taken line: the word's bytes in g_text and its count.
struct Word {
  unsigned offset;
  unsigned short size;
  unsigned count;
};

bool g_loaded = false;
int g_generation = 0;
std::string g_text;
std::vector<Word> g_words;

int Compare(const char* a, size_t an, const char* b, size_t bn)
{
  int c = std::memcmp(a, b, an < bn ? an : bn);
  if (c) return c;
  return an < bn ? -1 : an > bn ? 1 : 0;
}

// Lines are "word count" (a tab or a space between), sorted by the word's bytes. Anything
// else is skipped: comments, lines without a count, words too long, and a word not after
// the one before it, so that a damaged list can only miss words, never mislead the search.
void Index()
{
  g_generation++;
  g_words.clear();
  size_t start = 0, n = g_text.size();
  while (start < n) {
    const char* line = g_text.data() + start;
    const char* end = static_cast<const char*>(std::memchr(line, '\n', n - start));
    if (!end) break;  // a cut last line
    size_t length = static_cast<size_t>(end - line);
    start += length + 1;
    if (length == 0 || line[0] == '#') continue;
    size_t split = 0;
    while (split < length && line[split] != '\t' && line[split] != ' ') ++split;
    if (split == 0 || split > WORD_FREQUENCY_MAX_WORD || split == length) continue;
    unsigned long long count = 0;
    size_t k = split + 1, digits = 0;
    while (k < length && line[k] >= '0' && line[k] <= '9' && digits < 10) count = count * 10 + (line[k++] - '0'), ++digits;
    if (digits == 0) continue;
    if (std::memchr(line, 0, split)) continue;
    if (!g_words.empty()) {
      const Word& last = g_words.back();
      if (Compare(g_text.data() + last.offset, last.size, line, split) >= 0) continue;
    }
    g_words.push_back({static_cast<unsigned>(line - g_text.data()), static_cast<unsigned short>(split),
                       count > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(count)});
  }
}

HANDLE OpenList()
{
  WCHAR path[MAX_PATH];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (ProgramFolderPath(WORD_FREQUENCY_FILE_NAME, path))
    file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) return file;
  // The list ships beside the program, which a lookup may point at another data folder.
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return file;
  while (length > 0 && path[length - 1] != u'/' && path[length - 1] != u'\\') length--;
  const WCHAR name[] = WORD_FREQUENCY_FILE_NAME;
  if (length == 0 || length + sizeof name / sizeof name[0] > MAX_PATH) return file;
  std::memcpy(path + length, name, sizeof name);
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void ReadFile()
{
  g_loaded = true;
  g_text.clear();
  g_words.clear();
  HANDLE file = OpenList();
  if (file == INVALID_HANDLE_VALUE) {
    Index();
    return;
  }
  DWORD size = GetFileSize(file, nullptr);
  DWORD want = size == INVALID_FILE_SIZE || size > WORD_FREQUENCY_READ_LIMIT ? WORD_FREQUENCY_READ_LIMIT : size;
  g_text.resize(want);
  DWORD total = 0;
  while (total < want) {
    DWORD read = 0;
    if (!::ReadFile(file, &g_text[total], want - total, &read, nullptr) || read == 0) break;
    total += read;
  }
  CloseHandle(file);
  g_text.resize(total);
  Index();
}

}  // namespace

void SetWordFrequencyText(const char* text, size_t size)
{
  g_text.assign(text ? text : "", text ? size : 0);
  g_loaded = text != nullptr;
  Index();
}

int WordFrequencyGeneration()
{
  if (!g_loaded) ReadFile();
  return g_generation;
}

int WordFrequencyCount()
{
  if (!g_loaded) ReadFile();
  return static_cast<int>(g_words.size());
}

unsigned WordFrequency(const WCHAR* word, int length)
{
  if (!g_loaded) ReadFile();
  if (g_words.empty() || !word || length <= 0 || length > WORD_FREQUENCY_MAX_WORD) return 0;
  char key[WORD_FREQUENCY_MAX_WORD * 3];
  int size = WideCharToMultiByte(CP_UTF8, 0, word, length, key, sizeof key, nullptr, nullptr);
  if (size <= 0 || size > WORD_FREQUENCY_MAX_WORD) return 0;
  size_t low = 0, high = g_words.size();
  while (low < high) {
    size_t middle = (low + high) / 2;
    const Word& w = g_words[middle];
    int c = Compare(g_text.data() + w.offset, w.size, key, static_cast<size_t>(size));
    if (c == 0) return w.count;
    if (c < 0) low = middle + 1;
    else high = middle;
  }
  return 0;
}
