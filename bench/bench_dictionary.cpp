// Loading the full Simplified database, and searching it: the engine against
// the literal reference scan, in this process. Whole processes (orlend-dict --query
// beside grep, rg, the scan floor and sdcv) are compared by bench/whole_process.py.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_engine.h"
#include "device/shell/program_folder.h"
#include "tests/dictionary/reference_scan.h"
#include "tests/reliability/replicated_data.h"

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
  std::string folder = LookupFolder();
  if (folder.empty()) return false;
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

// What a start costs: the table kept beside the database, mapped (the first load made it).
void LoadBenchmark(benchmark::State& state)
{
  std::string folder = LookupFolder();
  SetProgramFolder(std::u16string(folder.begin(), folder.end()).c_str());
  LoadDictionary(u"cedict.gb.dat");
  for (auto _ : state) LoadDictionary(u"cedict.gb.dat");
  state.counters["entries"] = EntryTable.Count;
  if (LoadDictionaryStatus() != LOAD_OK) state.SkipWithError("the database did not load cleanly");
}

// What the first start after a new database costs: the parse of the file's bytes.
void ParseBenchmark(benchmark::State& state)
{
  std::vector<unsigned char> image = ReadFileBytes(LookupFolder() + "cedict.gb.dat");
  for (auto _ : state) LoadDictionaryImage(image.data(), (DWORD)image.size());
  state.counters["entries"] = EntryTable.Count;
  if (LoadDictionaryStatus() != LOAD_OK) state.SkipWithError("the database did not load cleanly");
  FreeDictionary();
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

  printf("\nSearch over the full Simplified database in this process, median milliseconds per query.\n"
         "Processor time first (what a busy machine disturbs least), then the engine's elapsed time.\n");
  printf("%s %9s %9s %8s | %9s\n", Pad("query [switches]", 20).c_str(), "reference", "engine", "ref/eng", "engine");
  std::vector<double> ratios;
  for (const Query& q : Queries) {
    std::string label = Label(q);
    Timing reference = find("search/" + label + "/reference");
    Timing engine = find("search/" + label + "/engine");
    if (reference.cpu > 0 && engine.cpu > 0) ratios.push_back(reference.cpu / engine.cpu);
    printf("%s %s %s %s | %s\n", Pad(label, 20).c_str(), Cell(reference.cpu).c_str(), Cell(engine.cpu).c_str(),
           Ratio(reference.cpu, engine.cpu).c_str(), Cell(engine.real).c_str());
  }
  if (!ratios.empty()) {
    std::sort(ratios.begin(), ratios.end());
    printf("reference/engine: median %.1fx, lowest %.1fx, highest %.1fx\n", ratios[ratios.size() / 2],
           ratios.front(), ratios.back());
  }
  Timing load = find("load/cedict.gb.dat");
  Timing parse = find("load/cedict.gb.dat/parse");
  printf("\nload of cedict.gb.dat, its kept table mapped: %s ms processor, %s ms elapsed\n", Cell(load.cpu).c_str(),
         Cell(load.real).c_str());
  printf("parse of cedict.gb.dat (a new database):      %s ms processor, %s ms elapsed\n", Cell(parse.cpu).c_str(),
         Cell(parse.real).c_str());
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
    benchmark::RegisterBenchmark("load/cedict.gb.dat/parse", ParseBenchmark)
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

    AddSummary(PrintSummary);
  }
} registration;

}  // namespace
