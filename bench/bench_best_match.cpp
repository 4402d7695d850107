// Best matches first against the search's own order: the time of a search both ways over the
// full Simplified database, and the learner's test set (tests/dictionary/learner_words.tsv)
// measured both ways.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "device/dictionary/database.h"
#include "device/dictionary/find_entries.h"
#include "device/dictionary/search_engine.h"
#include "device/dictionary/search_text.h"
#include "device/dictionary/word_frequency.h"
#include "device/shell/program_folder.h"
#include "tests/dictionary/learner_set.h"

namespace {

struct BestQuery {
  const char* text;
  int pinyin;
};

const BestQuery Queries[] = {{"china", 0}, {"love", 0},      {"beautiful", 0}, {"a", 0},      {"to eat", 0},
                             {"水", 0},    {"中国", 0},      {"学习", 0},      {"zhong guo", 1}, {"xuexi", 1},
                             {"mei li", 1}, {"zhōng guó", 1}};

std::string Label(const BestQuery& q) { return std::string(q.text) + (q.pinyin ? " [p]" : ""); }

bool Loaded()
{
  InitMatchWeights();
  if (EntryTable.Count > 0) return true;
  if (DataFile("cedict.gb.dat").empty()) return false;
  std::string folder = DataFolder();
  SetProgramFolder(LearnerUtf16(folder).c_str());
  SelectDictionary(1);
  // The word list is read once, on the first best-match search; here before the timing.
  WordFrequencyCount();
  return LoadDictionaryStatus() == LOAD_OK;
}

long long Results;
void Count(int code, int, const WCHAR*)
{
  if (code >= 0) Results++;
}

// What the result list and the command line do with each result: its two row texts.
void Rows(int code, int length, const WCHAR* text)
{
  if (code < 0) return;
  WCHAR left[ROW_TEXT_SIZE], right[ROW_TEXT_SIZE];
  HeadwordRowText(text, length, left);
  DefinitionRowText(text, length, right);
  benchmark::DoNotOptimize(left[0] + right[0]);
  Results++;
}

void FindBenchmark(benchmark::State& state, BestQuery q, int best, bool rows)
{
  if (!Loaded()) {
    state.SkipWithError("the database could not be loaded");
    return;
  }
  std::u16string query = LearnerUtf16(q.text);
  for (auto _ : state) {
    Results = 0;
    FindEntries(query.c_str(), 0, 0, q.pinyin, best, 1, rows ? Rows : Count, nullptr);
  }
  state.counters["results"] = (double)Results;
}

LearnerFigures Figures[2];
bool Measured = false;

void LearnerBenchmark(benchmark::State& state)
{
  if (!Loaded()) {
    state.SkipWithError("the database could not be loaded");
    return;
  }
  std::vector<LearnerWord> words = ReadLearnerSet(std::string(ORLEND_SOURCE_DIR) + "/tests/dictionary/learner_words.tsv");
  for (auto _ : state)
    for (int best : {0, 1}) Figures[best] = MeasureLearnerSet(words, best);
  Measured = true;
}

std::string Percent(int part, int whole)
{
  char text[32];
  snprintf(text, sizeof text, "%5.1f %% (%d/%d)", whole ? 100.0 * part / whole : 0.0, part, whole);
  return text;
}

void PrintSummary(const Medians& medians)
{
  auto cpu = [&](const std::string& name) {
    auto it = medians.find(name);
    return it == medians.end() ? -1.0 : it->second.cpu;
  };
  printf("\nBest matches first against the search's own order, median processor milliseconds per query\n"
         "(full Simplified database; the word-frequency list already read). The results only counted,\n"
         "then with each result's row texts made, as the result list and the command line do.\n");
  printf("%-20s %9s %9s %7s | %9s %9s %7s\n", "query", "off", "on", "on/off", "rows off", "rows on", "on/off");
  double worst = 0, worstRows = 0;
  for (const BestQuery& q : Queries) {
    double off = cpu("best/" + Label(q) + "/off"), on = cpu("best/" + Label(q) + "/on");
    double rowsOff = cpu("best/" + Label(q) + "/rows-off"), rowsOn = cpu("best/" + Label(q) + "/rows-on");
    if (off <= 0 || on <= 0 || rowsOff <= 0 || rowsOn <= 0) continue;
    worst = std::max(worst, on / off);
    worstRows = std::max(worstRows, rowsOn / rowsOff);
    printf("%-20s %9.3f %9.3f %6.2fx | %9.3f %9.3f %6.2fx\n", Label(q).c_str(), off, on, on / off, rowsOff, rowsOn,
           rowsOn / rowsOff);
  }
  if (worst > 0)
    printf("highest on/off: %.2fx counted, %.2fx with the rows (target: 1.5x at most)\n", worst, worstRows);
  if (!Measured) return;
  printf("\nThe learner's test set (%d words), the word meant:\n", Figures[1].words);
  printf("%-34s %-22s %-22s\n", "", "search's own order", "best matches first");
  auto row = [](const char* name, int LearnerFigures::*part, int LearnerFigures::*whole) {
    printf("%-34s %-22s %-22s\n", name, Percent(Figures[0].*part, Figures[0].*whole).c_str(),
           Percent(Figures[1].*part, Figures[1].*whole).c_str());
  };
  row("Chinese, first", &LearnerFigures::chineseFirst, &LearnerFigures::words);
  row("pinyin spaced, top 3", &LearnerFigures::pinyinTop3, &LearnerFigures::pinyinQueries);
  row("pinyin run together, top 3", &LearnerFigures::runTogetherTop3, &LearnerFigures::runTogetherQueries);
  row("one-word English, top 3", &LearnerFigures::englishTop3, &LearnerFigures::englishQueries);
}

struct Registration {
  Registration()
  {
    if (DataFile("cedict.gb.dat").empty()) return;
    for (const BestQuery& q : Queries)
      for (int rows : {0, 1})
        for (int best : {0, 1})
          benchmark::RegisterBenchmark(
              ("best/" + Label(q) + (rows ? "/rows-" : "/") + (best ? "on" : "off")).c_str(), FindBenchmark, q, best,
              rows != 0)
              ->Unit(benchmark::kMillisecond)
              ->Repetitions(BenchRepetitions)
              ->ReportAggregatesOnly(true)
              ->MinTime(0.05);
    benchmark::RegisterBenchmark("learner-set/both-ways", LearnerBenchmark)
        ->Unit(benchmark::kSecond)
        ->Iterations(1);
    AddSummary(PrintSummary);
  }
} registration;

}  // namespace
