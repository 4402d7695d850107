// Loading the full Simplified database, and searching it: the engine against
// the literal reference scan, with grep and ripgrep over the UTF-8 word list
// as peers, and the whole orlend-dict --query process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"
#include "device/shell/program_folder.h"
#include "tests/dictionary/reference_scan.h"

namespace {

struct Query {
  const char* text;
  const char* switches;  // c: match case, w: whole word, p: pinyin
};

const Query Queries[] = {
    {"china", ""},        {"china", "c"},         {"china", "w"},      {"zhong guo", "p"}, {"zhong1", "p"},
    {"中国", ""},         {"中国", "w"},          {"中", ""},          {"to eat", ""},     {"to eat", "w"},
    {"a", ""},            {"a", "w"},             {"computer", ""},    {"computer", "w"},  {"beautiful", ""},
    {"beautiful", "cw"},  {"internationally", ""}, {"internationelly", ""},
};

// Words the peers look for too; the plain words are the ones compared with rg.
const char* const PeerWords[] = {"china", "computer", "beautiful", "to eat", "a", "中国"};

std::u16string Utf16(const std::string& text)
{
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = (unsigned char)text[i];
    char32_t code;
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k <= extra && i + k < text.size(); k++) code = (code << 6) | ((unsigned char)text[i + k] & 0x3F);
    i += 1 + extra;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += (char16_t)(0xD800 + (code >> 10));
      out += (char16_t)(0xDC00 + (code & 0x3FF));
    } else {
      out += (char16_t)code;
    }
  }
  return out;
}

std::string Label(const Query& q)
{
  std::string label = q.text;
  if (*q.switches) label += std::string(" [") + q.switches + "]";
  return label;
}

bool Has(const Query& q, char c)
{
  return std::string(q.switches).find(c) != std::string::npos;
}

bool EnsureLoaded()
{
  if (EntryTable.Count > 0) return true;
  std::string path = DataFile("cedict.gb.dat");
  if (path.empty()) return false;
  std::string folder = DataFolder();
  SetProgramFolder(std::u16string(folder.begin(), folder.end()).c_str());
  SelectDictionary(1);
  return LoadDictionaryStatus() == LOAD_OK;
}

long long ResultCount;
void CountResults(int code, int, const WCHAR*)
{
  if (code >= 0) ResultCount++;
}

void SearchBenchmark(benchmark::State& state, Query q, bool reference)
{
  if (!EnsureLoaded()) {
    state.SkipWithError("the database could not be loaded");
    return;
  }
  const std::u16string query = Utf16(q.text);
  for (auto _ : state) {
    std::u16string copy = query;
    ResultCount = 0;
    if (reference)
      ReferenceSearch(copy.data(), Has(q, 'c'), Has(q, 'w'), Has(q, 'p'), CountResults);
    else
      SearchDictionary(copy.data(), Has(q, 'c'), Has(q, 'w'), Has(q, 'p'), CountResults);
  }
  state.counters["results"] = (double)ResultCount;
}

void LoadBenchmark(benchmark::State& state)
{
  std::string folder = DataFolder();
  SetProgramFolder(std::u16string(folder.begin(), folder.end()).c_str());
  for (auto _ : state) LoadDictionary(u"cedict.gb.dat");
  state.counters["entries"] = EntryTable.Count;
  if (LoadDictionaryStatus() != LOAD_OK) state.SkipWithError("the database did not load cleanly");
}

void ProcessBenchmark(benchmark::State& state, std::vector<std::string> arguments)
{
  for (auto _ : state)
    if (RunProcess(arguments) < 0) {
      state.SkipWithError("could not start the program");
      break;
    }
}

void PrintSummary(const Medians& medians)
{
  auto find = [&](const std::string& name) {
    auto it = medians.find(name);
    return it == medians.end() ? -1.0 : it->second;
  };
  auto cell = [](double ms) {
    char text[32];
    if (ms < 0)
      snprintf(text, sizeof text, "%10s", "-");
    else
      snprintf(text, sizeof text, "%10.3f", ms);
    return std::string(text);
  };
  auto ratio = [](double a, double b) {
    char text[32];
    if (a < 0 || b <= 0)
      snprintf(text, sizeof text, "%9s", "-");
    else
      snprintf(text, sizeof text, "%8.1fx", a / b);
    return std::string(text);
  };

  printf("\nSearch over the full Simplified database (median ms per query)\n");
  printf("%-24s %10s %10s %9s %10s %10s %9s\n", "query [switches]", "reference", "engine", "ref/eng", "grep",
         "rg", "rg/eng");
  std::vector<double> ratios;
  for (const Query& q : Queries) {
    std::string label = Label(q);
    double reference = find("search/" + label + "/reference");
    double engine = find("search/" + label + "/engine");
    bool peer = !*q.switches;
    double grep = peer ? find(std::string("peer/grep/") + q.text) : -1;
    double rg = peer ? find(std::string("peer/rg/") + q.text) : -1;
    if (reference > 0 && engine > 0) ratios.push_back(reference / engine);
    // Chinese labels are wider than their bytes; pad by display columns.
    int columns = 0;
    for (unsigned char c : label) columns += (c & 0xC0) != 0x80 ? ((c >= 0xE0) ? 2 : 1) : 0;
    printf("%s%*s %s %s %s %s %s %s\n", label.c_str(), columns < 24 ? 24 - columns : 0, "", cell(reference).c_str(),
           cell(engine).c_str(), ratio(reference, engine).c_str(), cell(grep).c_str(), cell(rg).c_str(),
           ratio(rg, engine).c_str());
  }
  if (!ratios.empty()) {
    std::sort(ratios.begin(), ratios.end());
    printf("median reference/engine ratio: %.1fx (lowest %.1fx, highest %.1fx)\n", ratios[ratios.size() / 2],
           ratios.front(), ratios.back());
  }
  printf("\nload of cedict.gb.dat: %s ms\n", cell(find("load/cedict.gb.dat")).c_str());
  for (const char* word : {"china", "a"})
    printf("orlend-dict --query %-6s as a whole process: %s ms\n", word,
           cell(find(std::string("process/orlend-dict/") + word)).c_str());
}

struct Registration {
  Registration()
  {
    if (DataFile("cedict.gb.dat").empty()) return;
    benchmark::RegisterBenchmark("load/cedict.gb.dat", LoadBenchmark)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(BenchRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(0.2);
    for (const Query& q : Queries) {
      std::string label = Label(q);
      benchmark::RegisterBenchmark(("search/" + label + "/engine").c_str(), SearchBenchmark, q, false)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(BenchRepetitions)
          ->ReportAggregatesOnly(true)
          ->MinTime(0.05);
      benchmark::RegisterBenchmark(("search/" + label + "/reference").c_str(), SearchBenchmark, q, true)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(BenchRepetitions)
          ->ReportAggregatesOnly(true)
          ->Iterations(1);
    }

    std::string program = std::string(ORLEND_BINARY_DIR) + "/bin/orlend-dict";
    if (!FindProgram(program).empty())
      for (const char* word : {"china", "a"})
        benchmark::RegisterBenchmark((std::string("process/orlend-dict/") + word).c_str(), ProcessBenchmark,
                                     std::vector<std::string>{program, "--query", word, "--folder", DataFolder()})
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(BenchRepetitions)
            ->ReportAggregatesOnly(true)
            ->MinTime(0.2);

    std::string text = DataFile("cedict_ts.u8");
    if (!text.empty()) {
      for (const char* peer : {"grep", "rg"}) {
        std::string path = FindProgram(peer);
        if (path.empty()) {
          fprintf(stderr, "orlend-bench: %s is not installed; it is left out of the comparison.\n", peer);
          continue;
        }
        for (const char* word : PeerWords)
          benchmark::RegisterBenchmark((std::string("peer/") + peer + "/" + word).c_str(), ProcessBenchmark,
                                       std::vector<std::string>{path, "-c", "-i", "-F", word, text})
              ->Unit(benchmark::kMillisecond)
              ->Repetitions(BenchRepetitions)
              ->ReportAggregatesOnly(true)
              ->MinTime(0.1);
      }
    }
    AddSummary(PrintSummary);
  }
} registration;

}  // namespace
