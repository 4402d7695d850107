#include "device/dictionary/word_frequency.h"

#include <cstring>
#include <string>
#include "device/dictionary/large_block.h"
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
// The list in use: a text given (tests) or the file's bytes, read into a block of its own.
std::string g_given;
LARGE_BLOCK g_fileText = {};
const char* g_text = "";
size_t g_size = 0;
// The words taken, in a block as large as the lines: a list of 170,000 words would take a
// thousand fresh small pages in a growing vector, which cost more here than reading it.
LARGE_BLOCK g_wordBlock = {};
Word* g_words = nullptr;
size_t g_count = 0;

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
  FreeLargeBlock(&g_wordBlock);
  g_words = nullptr;
  g_count = 0;
  size_t lines = 0;
  for (const char* p = g_text; (p = static_cast<const char*>(std::memchr(p, '\n', g_size - (size_t)(p - g_text))));
       p++)
    lines++;
  if (lines == 0 || !AllocLargeBlock(&g_wordBlock, lines * sizeof(Word))) return;  // no memory: no list
  g_words = static_cast<Word*>(g_wordBlock.Data);
  size_t start = 0, n = g_size;
  while (start < n) {
    const char* line = g_text + start;
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
    if (g_count > 0) {
      const Word& last = g_words[g_count - 1];
      if (Compare(g_text + last.offset, last.size, line, split) >= 0) continue;
    }
    g_words[g_count++] = {static_cast<unsigned>(line - g_text), static_cast<unsigned short>(split),
                          count > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(count)};
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
  g_given.clear();
  FreeLargeBlock(&g_fileText);
  g_text = "";
  g_size = 0;
  HANDLE file = OpenList();
  if (file == INVALID_HANDLE_VALUE) {
    Index();
    return;
  }
  DWORD size = GetFileSize(file, nullptr);
  DWORD want = size == INVALID_FILE_SIZE || size > WORD_FREQUENCY_READ_LIMIT ? WORD_FREQUENCY_READ_LIMIT : size;
  DWORD total = 0;
  if (AllocLargeBlock(&g_fileText, want)) {
    char* text = static_cast<char*>(g_fileText.Data);
    while (total < want) {
      DWORD read = 0;
      if (!::ReadFile(file, text + total, want - total, &read, nullptr) || read == 0) break;
      total += read;
    }
    g_text = text;
    g_size = total;
  }
  CloseHandle(file);
  Index();
}

}  // namespace

void SetWordFrequencyText(const char* text, size_t size)
{
  FreeLargeBlock(&g_fileText);
  g_given.assign(text ? text : "", text ? size : 0);
  g_text = g_given.data();
  g_size = g_given.size();
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
  return static_cast<int>(g_count);
}

unsigned WordFrequency(const WCHAR* word, int length)
{
  if (!g_loaded) ReadFile();
  if (g_count == 0 || !word || length <= 0 || length > WORD_FREQUENCY_MAX_WORD) return 0;
  char key[WORD_FREQUENCY_MAX_WORD * 3];
  int size = WideCharToMultiByte(CP_UTF8, 0, word, length, key, sizeof key, nullptr, nullptr);
  if (size <= 0 || size > WORD_FREQUENCY_MAX_WORD) return 0;
  size_t low = 0, high = g_count;
  while (low < high) {
    size_t middle = (low + high) / 2;
    const Word& w = g_words[middle];
    int c = Compare(g_text + w.offset, w.size, key, static_cast<size_t>(size));
    if (c == 0) return w.count;
    if (c < 0) low = middle + 1;
    else high = middle;
  }
  return 0;
}
