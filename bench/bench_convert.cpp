// Conversion of the classic GB word list (data/cedict.gb) into its database,
// against iconv converting the same file to UTF-16LE, both timed in this run.
// No progress window, so none of its 10 ms pauses.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "installer/convert_dictionary.h"

namespace {

namespace fs = std::filesystem;

// A copy of the list in a scratch folder, so the .dat written next to it
// never touches data/.
std::string ScratchCopy(const std::string& source)
{
  fs::path folder = fs::path(ORLEND_BINARY_DIR) / "bench-scratch" / "convert";
  fs::create_directories(folder);
  fs::path copy = folder / "cedict.gb";
  fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
  return copy.string();
}

void InProcessBenchmark(benchmark::State& state, std::string source)
{
  std::u16string path(source.begin(), source.end());
  for (auto _ : state) {
    WCHAR buffer[MAX_PATH] = {};
    path.copy(buffer, MAX_PATH - 1);
    if (ConvertDictionaryWith(buffer, nullptr) != 1) {
      state.SkipWithError("the conversion failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(fs::file_size(source)));
}

void WholeProcessBenchmark(benchmark::State& state, std::vector<std::string> arguments)
{
  double cpuMs = 0;
  for (auto _ : state) {
    if (RunProcess(arguments, &cpuMs) != 0) {
      state.SkipWithError(("failed: " + arguments[0]).c_str());
      break;
    }
  }
  state.counters[CHILD_CPU_COUNTER] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
}

std::string Cell(double ms)
{
  char text[32];
  if (ms < 0)
    snprintf(text, sizeof text, "%9s", "-");
  else
    snprintf(text, sizeof text, "%9.1f", ms);
  return text;
}

std::string Ratio(double a, double b)
{
  char text[32];
  if (a < 0 || b <= 0)
    snprintf(text, sizeof text, "%7s", "-");
  else
    snprintf(text, sizeof text, "%6.2fx", a / b);
  return text;
}

void PrintConvertSummary(const Medians& medians)
{
  auto find = [&](const std::string& name) {
    auto it = medians.find(name);
    return it == medians.end() ? Timing{-1, -1} : it->second;
  };
  Timing iconv = find("peer/iconv/cedict.gb");
  Timing process = find("convert/orlend-dict-installer/cedict.gb");
  Timing inside = find("convert/ConvertDictionary/cedict.gb");
  printf("\nConversion of data/cedict.gb to UTF-16 (median milliseconds; ratio to iconv, target at most 2x)\n");
  printf("%-44s %9s %9s %8s %8s\n", "", "processor", "elapsed", "cpu/iconv", "wall/iconv");
  printf("%-44s %s %s\n", "iconv -f CP936 -t UTF-16LE (whole process)", Cell(iconv.cpu).c_str(), Cell(iconv.real).c_str());
  printf("%-44s %s %s %8s %8s\n", "orlend-dict-installer --convert (process)", Cell(process.cpu).c_str(),
         Cell(process.real).c_str(), Ratio(process.cpu, iconv.cpu).c_str(), Ratio(process.real, iconv.real).c_str());
  printf("%-44s %s %s %8s %8s\n", "ConvertDictionary (in this process)", Cell(inside.cpu).c_str(),
         Cell(inside.real).c_str(), Ratio(inside.cpu, iconv.cpu).c_str(), Ratio(inside.real, iconv.real).c_str());
}

struct Registration {
  Registration()
  {
    std::string source = DataFile("cedict.gb");
    if (source.empty()) return;
    std::string copy = ScratchCopy(source);
    benchmark::RegisterBenchmark("convert/ConvertDictionary/cedict.gb", InProcessBenchmark, copy)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(BenchRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(0.5);

    std::string installer = std::string(ORLEND_BINARY_DIR) + "/bin/orlend-dict-installer";
    if (FindProgram(installer).empty())
      fprintf(stderr, "orlend-bench: %s is not built; the whole-process conversion is left out.\n", installer.c_str());
    else
      benchmark::RegisterBenchmark("convert/orlend-dict-installer/cedict.gb", WholeProcessBenchmark,
                                   std::vector<std::string>{installer, "--convert", copy})
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(BenchRepetitions)
          ->ReportAggregatesOnly(true)
          ->MinTime(0.5);

    std::string iconv = FindProgram("iconv");
    if (iconv.empty())
      fprintf(stderr, "orlend-bench: iconv is not installed; the conversion has no peer.\n");
    else
      benchmark::RegisterBenchmark("peer/iconv/cedict.gb", WholeProcessBenchmark,
                                   std::vector<std::string>{iconv, "-f", "CP936", "-t", "UTF-16LE", "-o",
                                                            copy + ".iconv", copy})
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(BenchRepetitions)
          ->ReportAggregatesOnly(true)
          ->MinTime(0.5);
    AddSummary(PrintConvertSummary);
  }
} registration;

}  // namespace
