// Best matches first over the results of searches that do not load the table (the kept
// table read through, the index): their blocks copied as they come, ordered at the end as
// FindEntries orders them. Apart from FindEntries, which needs the loaded table and the
// script converter: the command that looks words up links this and not that.
#include <string>
#include <vector>

#include "device/dictionary/best_match.h"
#include "device/dictionary/database.h"
#include "device/dictionary/entry_copies.h"
#include "device/dictionary/find_entries.h"
#include "device/dictionary/pinyin_input.h"
#include "device/dictionary/search_engine.h"

bool HasChineseUnits(const WCHAR* text, int length)
{
  for (int i = 0; i < length; i++)
    if (text[i] >= 0x2E80) return true;
  return false;
}

std::u16string FoldedQuery(const std::u16string& text, int matchCase)
{
  std::u16string out = text;
  if (!matchCase)
    for (char16_t& c : out) c = FoldUnit(c);
  return out;
}

namespace {

// The results searches outside the table handed on, their blocks copied one after another.
ResultSink g_bestSink;
std::vector<std::u16string> g_bestForms;
int g_bestMatchCase, g_bestPinyin;
std::vector<int> g_bestEntries;
std::vector<char> g_bestSeen;  // by entry, once there is more than one form
EntryCopies g_bestBlocks;
bool g_bestLost;  // a copy could not be kept

}  // namespace

int BestMatchForms(const WCHAR* query, int pinyin, std::vector<std::u16string>* forms)
{
  int length = 0;
  while (query[length]) length++;
  if (HasChineseUnits(query, length)) return 0;
  *forms = {std::u16string(query, (size_t)length)};
  if (pinyin) {
    std::vector<std::u16string> rewrites = PinyinRewrites(query, length);
    forms->insert(forms->end(), rewrites.begin(), rewrites.end());
  }
  return 1;
}

void BeginBestMatches(const std::vector<std::u16string>& forms, int matchCase, int pinyin, ResultSink sink)
{
  g_bestSink = sink;
  g_bestForms = forms;
  g_bestMatchCase = matchCase;
  g_bestPinyin = pinyin;
  g_bestEntries.clear();
  g_bestBlocks.Clear();
  g_bestSeen.clear();
  g_bestLost = false;
}

void BestMatchSink(int code, int length, const WCHAR* text)
{
  if (code == -1) return;  // ended once the results are ordered
  if (code < -1) {
    g_bestSink(code, length, text);
    return;
  }
  if (g_bestForms.size() > 1) {  // an entry found by an earlier form is dropped
    if ((size_t)code >= g_bestSeen.size()) g_bestSeen.resize((size_t)code + 1 + g_bestSeen.size() / 2);
    if (g_bestSeen[(size_t)code]) return;
    g_bestSeen[(size_t)code] = 1;
  }
  if (g_bestBlocks.Add(length, text))
    g_bestEntries.push_back(code);
  else
    g_bestLost = true;
}

bool EndBestMatches(const uint32_t* counts, size_t count)
{
  if (g_bestLost) {
    g_bestBlocks.Clear();
    return false;
  }
  std::vector<std::u16string> folded;
  for (const std::u16string& form : g_bestForms) folded.push_back(FoldedQuery(form, g_bestMatchCase));
  std::vector<BestMatch> matches;
  matches.reserve(g_bestEntries.size());
  for (size_t k = 0; k < g_bestEntries.size(); k++) {
    const DictionaryEntry* block = g_bestBlocks.Copy(k);
    const size_t entry = (size_t)g_bestEntries[k];
    const unsigned frequency = counts && entry < count ? counts[entry] : HeadwordFrequency(block);
    matches.push_back({(int)k, 0, (int)k, BlockMatchTier(block, folded, g_bestMatchCase, g_bestPinyin), frequency});
  }
  SortBestMatches(&matches);
  for (const BestMatch& m : matches) {
    const DictionaryEntry* block = g_bestBlocks.Copy((size_t)m.entry);
    g_bestSink(g_bestEntries[(size_t)m.entry], block[0], block + 1);
  }
  g_bestSink(-1, 0, nullptr);
  g_bestBlocks.Clear();
  g_bestSeen.clear();
  return true;
}
