// The search engine against the reference scan: a small dictionary and a few
// queries made from the input, every switch combination the input picks, on
// every vector path; the sink must receive exactly the same calls.
#include <fuzzer/FuzzedDataProvider.h>

#include "tests/dictionary/dictionary_fixture.h"
#include "tests/dictionary/reference_scan.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Units that steer the parse and the scoring, and some that merely fill.
const char16_t Alphabet[] = u"[]/# :|()-.,'0123456789abcdeghilnuxzABCGZ中国人个華华\u00FF\u0100\u3014";

char16_t Unit(FuzzedDataProvider& input)
{
  uint8_t pick = input.ConsumeIntegral<uint8_t>();
  if (pick == 0xFF) return input.ConsumeIntegral<char16_t>();  // anything at all, now and then
  return Alphabet[pick % (sizeof Alphabet / 2 - 1)];
}

std::u16string Text(FuzzedDataProvider& input, size_t most)
{
  std::u16string text;
  size_t length = input.ConsumeIntegralInRange<size_t>(0, most);
  while (text.size() < length && input.remaining_bytes() > 0) {
    char16_t c = Unit(input);
    if (c != u'\r' && c != u'\n') text += c;
  }
  return text;
}

std::vector<SinkCall> Run(void (*search)(WCHAR*, int, int, int, ResultSink), const std::u16string& query, int switches,
                          std::u16string* folded)
{
  *folded = query;
  folded->push_back(0);
  SinkCalls.clear();
  search(folded->data(), switches & 1, (switches >> 1) & 1, (switches >> 2) & 1, RecordSink);
  return SinkCalls;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  InitMatchWeights();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  FuzzedDataProvider input(data, size);
  std::vector<std::u16string> entries(input.ConsumeIntegralInRange<int>(0, 40));
  for (std::u16string& entry : entries) entry = Text(input, 48);
  // Enough entries for the progress reports now and then.
  int copies = input.ConsumeBool() && input.ConsumeBool() ? 1 + 2100 / (entries.size() + 1) : 1;
  std::vector<std::u16string> lines;
  for (int c = 0; c < copies; c++) lines.insert(lines.end(), entries.begin(), entries.end());
  LoadImage(DictionaryImage(lines));

  for (int q = input.ConsumeIntegralInRange<int>(1, 4); q > 0 && input.remaining_bytes() > 0; q--) {
    std::u16string query;
    if (EntryTable.Count > 0 && input.ConsumeBool()) {
      // A piece of an entry, perhaps with one unit changed.
      const DictionaryEntry* entry = EntryTable.Entries[input.ConsumeIntegralInRange<int>(0, EntryTable.Count - 1)];
      int length = entry[0];
      int start = input.ConsumeIntegralInRange<int>(0, length - 1);
      int n = input.ConsumeIntegralInRange<int>(1, 17);
      query.assign(entry + 1 + start, std::min(n, length - start));
      if (input.ConsumeBool()) query[input.ConsumeIntegralInRange<size_t>(0, query.size() - 1)] = Unit(input);
    } else {
      query = Text(input, 18);
    }
    query.erase(std::find(query.begin(), query.end(), 0), query.end());
    int switches = input.ConsumeIntegral<uint8_t>();
    for (int combination = 0; combination < 8; combination++) {
      if (!(switches & (1 << combination))) continue;
      std::u16string referenceQuery, engineQuery;
      std::vector<SinkCall> expected = Run(ReferenceSearch, query, combination, &referenceQuery);
      for (int path : {SEARCH_PATH_PORTABLE, SEARCH_PATH_SSE2, SEARCH_PATH_AVX2}) {
        if (!SetSearchPath(path)) continue;
        std::vector<SinkCall> actual = Run(SearchDictionary, query, combination, &engineQuery);
        FUZZ_CHECK(referenceQuery == engineQuery);
        FUZZ_CHECK(expected == actual);
      }
    }
  }
  SetSearchPath(SEARCH_PATH_AUTO);
  return 0;
}
