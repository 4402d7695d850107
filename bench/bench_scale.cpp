// How load, search and conversion time grow with the size of the word list: the
// full list (data/cedict.gb) once, twice, five and ten times over. The summary
// gives each time as a multiple of the single list's, and that multiple divided
// by the factor (1.00 means the time grows exactly in proportion).
// Processor time leads, as the other work of a busy machine disturbs it less.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"
#include "device/shell/program_folder.h"
#include "installer/convert_dictionary.h"
#include "tests/reliability/replicated_data.h"

namespace {

namespace fs = std::filesystem;

const int Factors[] = {1, 2, 5, 10};

fs::path ScaleFolder(int factor)
{
  return fs::path(ORLEND_BINARY_DIR) / "bench-scratch" / "scale" / (std::to_string(factor) + "x");
}

// The list `factor` times over in its own folder, converted once so that the
// load and search have their database; made when a benchmark first needs it.
bool Prepared(int factor)
{
  static std::vector<unsigned char> source;
  static std::map<int, bool> made;
  if (made.count(factor)) return made[factor];
  if (source.empty()) source = ReadFileBytes(DataFile("cedict.gb"));
  fs::path folder = ScaleFolder(factor);
  fs::create_directories(folder);
  bool ok = WriteFileBytes((folder / "cedict.gb").string(), ReplicateSource(source, factor, true));
  std::u16string path = (folder / "cedict.gb").u16string();
  WCHAR buffer[MAX_PATH] = {};
  path.copy(buffer, MAX_PATH - 1);
  ok = ok && ConvertDictionaryWith(buffer, nullptr) == 1;
  return made[factor] = ok;
}

void Load(benchmark::State& state, int factor)
{
  if (!Prepared(factor)) return state.SkipWithError("the list could not be prepared");
  SetProgramFolder((ScaleFolder(factor) / "").u16string().c_str());
  for (auto _ : state) {
    LoadDictionary(u"cedict.gb.dat");
    if (LoadDictionaryStatus() != LOAD_OK) {
      state.SkipWithError("the database did not load cleanly");
      break;
    }
  }
  state.counters["entries"] = EntryTable.Count;
}

// Every cache line of a buffer far larger than a processor's last-level cache (at most 96 MiB
// on the processors this runs on) written once: what a search then reads comes from memory,
// as the first search of a lookup process finds it. The single list's table (18.5 MB) fits
// in that cache, ten copies do not: the warm search compares a cached table with an uncached
// one, the cold search like with like.
void EvictCaches()
{
  static std::vector<char> buffer((size_t)256 << 20, 1);
  for (size_t at = 0; at < buffer.size(); at += 64) buffer[at]++;
  benchmark::DoNotOptimize(buffer.data());
}

void Search(benchmark::State& state, int factor, bool cold)
{
  if (!Prepared(factor)) return state.SkipWithError("the list could not be prepared");
  SetProgramFolder((ScaleFolder(factor) / "").u16string().c_str());
  LoadDictionary(u"cedict.gb.dat");
  InitMatchWeights();
  static long results;
  results = 0;
  // English, Chinese and toneless pinyin, as a user types them.
  struct Query {
    const char16_t* text;
    int pinyin;
  };
  const Query queries[] = {{u"china", 0}, {u"中国", 0}, {u"zhong guo", 1}};
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      EvictCaches();
      state.ResumeTiming();
    }
    for (const Query& q : queries) {
      std::u16string text = q.text;
      SearchDictionary(text.data(), 0, 0, q.pinyin, [](int code, int, const WCHAR*) {
        if (code >= 0) results++;
      });
    }
  }
  state.counters["results"] = benchmark::Counter((double)results, benchmark::Counter::kAvgIterations);
  FreeDictionary();
}

void WarmSearch(benchmark::State& state, int factor) { Search(state, factor, false); }
void ColdSearch(benchmark::State& state, int factor) { Search(state, factor, true); }

void Convert(benchmark::State& state, int factor)
{
  if (!Prepared(factor)) return state.SkipWithError("the list could not be prepared");
  std::u16string path = (ScaleFolder(factor) / "cedict.gb").u16string();
  for (auto _ : state) {
    WCHAR buffer[MAX_PATH] = {};
    path.copy(buffer, MAX_PATH - 1);
    if (ConvertDictionaryWith(buffer, nullptr) != 1) {
      state.SkipWithError("the conversion failed");
      break;
    }
  }
}

std::string Name(const char* what, int factor) { return std::string("scale/") + what + "/" + std::to_string(factor) + "x"; }

void PrintScaleSummary(const Medians& medians)
{
  printf("\nGrowth with the size of the list (median processor ms, which a busy machine disturbs less than the"
         " clock; x1 = multiple of the single list's time, /factor = that multiple per copy; elapsed ms last)\n");
  printf("%-7s", "factor");
  for (const char* what : {"load", "search", "cold-search", "convert"})
    printf(" %11s %7s %7s %9s", what, "x1", "/factor", "elapsed");
  printf("\n");
  for (int factor : Factors) {
    printf("%-7s", (std::to_string(factor) + "x").c_str());
    for (const char* what : {"load", "search", "cold-search", "convert"}) {
      auto it = medians.find(Name(what, factor));
      auto base = medians.find(Name(what, 1));
      if (it == medians.end() || base == medians.end() || base->second.cpu <= 0) {
        printf(" %11s %7s %7s %9s", "-", "-", "-", "-");
        continue;
      }
      double ratio = it->second.cpu / base->second.cpu;
      printf(" %11.1f %6.2fx %7.2f %9.1f", it->second.cpu, ratio, ratio / factor, it->second.real);
    }
    printf("\n");
  }
  // Some 400 MB of lists and databases.
  fs::remove_all(fs::path(ORLEND_BINARY_DIR) / "bench-scratch" / "scale");
}

struct Registration {
  Registration()
  {
    if (DataFile("cedict.gb").empty()) return;
    typedef void (*Function)(benchmark::State&, int);
    const std::pair<const char*, Function> kinds[] = {{"load", Load}, {"search", WarmSearch}, {"cold-search", ColdSearch}, {"convert", Convert}};
    for (int factor : Factors)
      for (const auto& [what, function] : kinds)
        benchmark::RegisterBenchmark(Name(what, factor).c_str(), function, factor)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(BenchRepetitions)
            ->ReportAggregatesOnly(true);
    AddSummary(PrintScaleSummary);
  }
} registration;

}  // namespace
