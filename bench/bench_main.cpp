#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "bench/bench_support.h"

extern char** environ;

namespace {

std::vector<std::function<void(const Medians&)>>& Sections()
{
  static std::vector<std::function<void(const Medians&)>> sections;
  return sections;
}

// Console output as usual, plus the medians kept for the summary.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override
  {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        Timing timing{run.GetAdjustedRealTime() * Scale(run.time_unit), run.GetAdjustedCPUTime() * Scale(run.time_unit)};
        auto child = run.counters.find(CHILD_CPU_COUNTER);
        if (child != run.counters.end()) timing.cpu = child->second.value;
        medians[run.run_name.function_name] = timing;
      }
    ConsoleReporter::ReportRuns(runs);
  }
  static double Scale(benchmark::TimeUnit unit)
  {
    switch (unit) {
      case benchmark::kNanosecond: return 1e-6;
      case benchmark::kMicrosecond: return 1e-3;
      case benchmark::kSecond: return 1e3;
      default: return 1;
    }
  }
  Medians medians;
};

}  // namespace

std::string DataFolder()
{
  const char* folder = getenv("ORLEND_DATA_DIR");
  std::string path = folder && *folder ? folder : std::string(ORLEND_SOURCE_DIR) + "/data";
  if (path.back() != '/') path += '/';
  return path;
}

std::string LookupFolder()
{
  std::string folder = std::string(ORLEND_BINARY_DIR) + "/bench-scratch/lookup/";
  std::string source = DataFile("cedict.gb.dat");
  if (source.empty()) return "";
  std::string copy = folder + "cedict.gb.dat";
  struct stat a, b;
  if (stat(source.c_str(), &a) != 0) return "";
  if (stat(copy.c_str(), &b) != 0 || a.st_size != b.st_size) {
    std::string command = "mkdir -p '" + folder + "' && cp '" + source + "' '" + copy + "'";
    if (system(command.c_str()) != 0) return "";
  }
  return folder;
}

std::string DataFile(const std::string& name)
{
  static std::set<std::string> noted;
  std::string path = DataFolder() + name;
  if (access(path.c_str(), R_OK) == 0) return path;
  if (noted.insert(name).second)
    fprintf(stderr,
            "orlend-bench: %s is missing; the benchmarks that need it are left out.\n"
            "  Fetch and convert the word list first (tools/), or point ORLEND_DATA_DIR at a folder holding it.\n",
            path.c_str());
  return "";
}

std::string FindProgram(const std::string& name)
{
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = getenv("PATH");
  std::string list = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string candidate = list.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

int RunProcess(const std::vector<std::string>& arguments, double* cpuMs)
{
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  struct rusage usage;
  if (wait4(pid, &status, 0, &usage) < 0) return -1;
  if (cpuMs)
    *cpuMs += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void AddSummary(std::function<void(const Medians&)> section)
{
  Sections().push_back(std::move(section));
}

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (const auto& section : Sections()) section(reporter.medians);
  return 0;
}
