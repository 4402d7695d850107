// Loading the full Simplified database, and searching it: the engine against
// the literal reference scan, with grep and ripgrep over the UTF-8 word list
// as peers, and the whole orlend-dict --query process.
#include <benchmark/benchmark.h>

#include <algorithm>
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
  InitMatchWeights();
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
  double cpuMs = 0;
  for (auto _ : state)
    if (RunProcess(arguments, &cpuMs) < 0) {
      state.SkipWithError("could not start the program");
      break;
    }
  state.counters[CHILD_CPU_COUNTER] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
}

std::string Cell(double ms)
{
  char text[32];
  if (ms < 0)
    snprintf(text, sizeof text, "%9s", "-");
  else
    snprintf(text, sizeof text, ms < 10 ? "%9.3f" : "%9.1f", ms);
  return text;
}

std::string Ratio(double a, double b)
{
  char text[32];
  if (a < 0 || b <= 0)
    snprintf(text, sizeof text, "%8s", "-");
  else
    snprintf(text, sizeof text, "%7.1fx", a / b);
  return text;
}

// Pads a label to a number of display columns (a Chinese character takes two).
std::string Pad(const std::string& label, int width)
{
  int columns = 0;
  for (unsigned char c : label)
    if ((c & 0xC0) != 0x80) columns += c >= 0xE0 ? 2 : 1;
  return label + std::string(columns < width ? width - columns : 0, ' ');
}

void PrintSummary(const Medians& medians)
{
  auto find = [&](const std::string& name) {
    auto it = medians.find(name);
    return it == medians.end() ? Timing{-1, -1} : it->second;
  };

  printf("\nSearch over the full Simplified database, median milliseconds per query.\n"
         "Processor time first (what a busy machine disturbs least), then elapsed time.\n"
         "grep -c -i -F and rg -c -i -F run as whole processes over the UTF-8 word list.\n");
  printf("%s %9s %9s %8s %9s %9s %8s | %9s %9s %8s\n", Pad("query [switches]", 20).c_str(), "reference", "engine",
         "ref/eng", "grep", "rg", "rg/eng", "engine", "rg", "rg/eng");
  std::vector<double> ratios;
  for (const Query& q : Queries) {
    std::string label = Label(q);
    Timing reference = find("search/" + label + "/reference");
    Timing engine = find("search/" + label + "/engine");
    bool peer = !*q.switches;
    Timing grep = peer ? find(std::string("peer/grep/") + q.text) : Timing{-1, -1};
    Timing rg = peer ? find(std::string("peer/rg/") + q.text) : Timing{-1, -1};
    if (reference.cpu > 0 && engine.cpu > 0) ratios.push_back(reference.cpu / engine.cpu);
    printf("%s %s %s %s %s %s %s | %s %s %s\n", Pad(label, 20).c_str(), Cell(reference.cpu).c_str(),
           Cell(engine.cpu).c_str(), Ratio(reference.cpu, engine.cpu).c_str(), Cell(grep.cpu).c_str(),
           Cell(rg.cpu).c_str(), Ratio(rg.cpu, engine.cpu).c_str(), Cell(engine.real).c_str(), Cell(rg.real).c_str(),
           Ratio(rg.real, engine.real).c_str());
  }
  if (!ratios.empty()) {
    std::sort(ratios.begin(), ratios.end());
    printf("reference/engine: median %.1fx, lowest %.1fx, highest %.1fx\n", ratios[ratios.size() / 2],
           ratios.front(), ratios.back());
  }
  Timing load = find("load/cedict.gb.dat");
  printf("\nload of cedict.gb.dat: %s ms processor, %s ms elapsed\n", Cell(load.cpu).c_str(), Cell(load.real).c_str());
  for (const char* word : {"china", "a"}) {
    Timing process = find(std::string("process/orlend-dict/") + word);
    printf("orlend-dict --query %-5s (whole process): %s ms processor, %s ms elapsed\n", word,
           Cell(process.cpu).c_str(), Cell(process.real).c_str());
  }
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
