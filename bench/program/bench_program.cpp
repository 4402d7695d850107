// The handheld program with the full Simplified database (data/cedict.gb.dat), as a
// person meets it: the time from the start of the process to its first frame, a search
// for "china" from the tap on Search to the painted result list, and the memory the
// program holds once it has started, against the size of the database file.
// Targets: first frame under 250 ms, the search under 100 ms, memory under 3 times the file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "device/dictionary/database.h"
#include "device/dictionary/search_driver.h"
#include "device/shell/main_window.h"
#include "device/shell/program_folder.h"
#include "device/shell/start_up.h"
#include "platform/platform.h"
#include "widgets/combo_box.h"
#include "widgets/list_view.h"
#include "widgets/text_button.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path Folder() { return fs::path(ORLEND_BINARY_DIR) / "bench-scratch" / "program"; }

// A program folder as the installer leaves it: the program, its libraries, sounds and
// help pages, and the database (linked, not copied).
bool PrepareFolder()
{
  static int prepared = -1;
  if (prepared >= 0) return prepared == 1;
  prepared = 0;
  std::string database = DataFile("cedict.gb.dat");
  if (database.empty()) return false;
  fs::path bin = fs::path(ORLEND_BINARY_DIR) / "bin", folder = Folder();
  std::error_code e;
  fs::remove_all(folder, e);
  fs::create_directories(folder / "runtime", e);
  chmod((folder / "runtime").c_str(), 0700);  // running programs find each other here: ours alone
  // orlend-dict starts the window program beside it for everything but a command-line lookup.
  for (const char* file : {"orlend-dict", "orlend-dict-handheld", "tovu.dll", "zorwen.dll"})
    if (!e) fs::copy_file(bin / file, folder / file, e);
  for (const char* sub : {"res", "help"}) fs::copy(bin / sub, folder / sub, fs::copy_options::recursive, e);
  fs::create_symlink(fs::absolute(database), folder / "cedict.gb.dat", e);
  std::ofstream(folder / "start.script") << "100 end\n";
  prepared = !e && fs::exists(folder / "orlend-dict") && fs::exists(folder / "orlend-dict-handheld") ? 1 : 0;
  if (!prepared) fprintf(stderr, "orlend-bench-program: cannot prepare %s: %s\n", folder.c_str(), e.message().c_str());
  return prepared == 1;
}

double FileMegabytes(const std::string& path)
{
  std::error_code e;
  auto size = fs::file_size(path, e);
  return e ? 0 : size / 1048576.0;
}

// Starts the program from its folder with extra environment entries; its output goes to `log`.
pid_t StartProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnv,
                   const std::string& log)
{
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  for (const std::string& extra : extraEnv) {
    std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& v) { return v.rfind(name, 0) == 0; });
    env.push_back(extra);
  }
  std::vector<char*> envp, argv;
  for (std::string& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string program = (Folder() / "orlend-dict").string();
  argv.push_back(program.data());
  std::vector<std::string> args = arguments;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The layer's own report: "platform: first frame N ms after the process started".
double FirstFrameMs(const std::string& log)
{
  std::ifstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    double ms;
    if (sscanf(line.c_str(), "platform: first frame %lf ms after the process started", &ms) == 1) return ms;
  }
  return -1;
}

// Start to first frame, headless: the process is started, loads the database, shows its
// window and reports when the first frame was presented. The benchmark's time is that
// report; the peak resident memory of the whole run comes beside it.
void FirstFrame(benchmark::State& state)
{
  if (!PrepareFolder()) return state.SkipWithError("no program folder");
  std::string log = (Folder() / "first-frame.log").string();
  double peakMb = 0, processMs = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    pid_t pid = StartProgram({"--headless", "--script", (Folder() / "start.script").string()},
                             {"ORLEND_TIMING=1", "ORLEND_BACKEND=", "XDG_RUNTIME_DIR=" + (Folder() / "runtime").string()},
                             log);
    int status = 0;
    struct rusage usage;
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return state.SkipWithError("the program did not run to its end");
    processMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    double ms = FirstFrameMs(log);
    if (ms < 0) return state.SkipWithError("the program reported no first frame");
    state.SetIterationTime(ms / 1000);
    peakMb = std::max(peakMb, usage.ru_maxrss / 1024.0);
  }
  state.counters["whole_run_ms"] = benchmark::Counter(processMs, benchmark::Counter::kAvgIterations);
  state.counters["peak_rss_MiB"] = peakMb;
}

// Resident memory once started: the program in a window (SDL's dummy video driver, so it
// runs as long as it is left alone), read from /proc once it has shown its first frame.
struct Memory {
  double rssMb = -1, peakMb = -1, anonMb = -1, fileMb = -1;
};
Memory g_memory;

double StatusMb(const std::string& status, const char* field)
{
  size_t at = status.find(field);
  if (at == std::string::npos) return -1;
  return atof(status.c_str() + at + strlen(field)) / 1024.0;
}

void ResidentMemory(benchmark::State& state)
{
  if (!PrepareFolder()) return state.SkipWithError("no program folder");
  std::string log = (Folder() / "memory.log").string();
  for (auto _ : state) {
    pid_t pid = StartProgram({}, {"ORLEND_TIMING=1", "ORLEND_BACKEND=", "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
                                  "XDG_RUNTIME_DIR=" + (Folder() / "runtime").string()},
                             log);
    if (pid < 0) return state.SkipWithError("the program did not start");
    double ms = -1;
    auto until = Clock::now() + std::chrono::seconds(20);
    while (ms < 0 && Clock::now() < until && waitpid(pid, nullptr, WNOHANG) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ms = FirstFrameMs(log);
    }
    // Settled: what start-up freed is given back by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string status((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (ms < 0) return state.SkipWithError("the program showed no first frame");
    state.SetIterationTime(ms / 1000);
    g_memory = {StatusMb(status, "VmRSS:"), StatusMb(status, "VmHWM:"), StatusMb(status, "RssAnon:"),
                StatusMb(status, "RssFile:")};
  }
  double db = FileMegabytes(DataFile("cedict.gb.dat"));
  state.counters["rss_MiB"] = g_memory.rssMb;
  state.counters["peak_MiB"] = g_memory.peakMb;
  state.counters["database_MiB"] = db;
  state.counters["rss_per_database"] = db > 0 ? g_memory.rssMb / db : -1;
}

void Tap(POINT p)
{
  platform::InputEvent e;
  e.kind = platform::InputEvent::Kind::StylusDown;
  e.point = p;
  platform::headless::Queue(platform::headless::Now(), e);
  e.kind = platform::InputEvent::Kind::StylusUp;
  platform::headless::Queue(platform::headless::Now(), e);
}

// The program in this process, on the headless screen, started once for every search.
bool StartInProcess()
{
  static int started = -1;
  if (started >= 0) return started == 1;
  started = 0;
  if (!PrepareFolder()) return false;
  platform::Options o;
  o.backend = platform::BackendKind::Headless;
  o.screen = platform::ScreenKind::Handheld;
  if (!platform::Start(o)) return false;
  SetProgramFolder((Folder() / "").u16string().c_str());
  if (!InitInstance(GetModuleHandleW(nullptr), SW_SHOW)) return false;
  platform::headless::RunUntilIdle();
  if (EntryTable.Count < 100000) return false;
  // "china" typed into the search box.
  RECT box;
  GetWindowRect(SearchBox->editWindow, &box);
  Tap(POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
  platform::InputEvent text;
  text.kind = platform::InputEvent::Kind::Text;
  text.text = u"china";
  platform::headless::Queue(platform::headless::Now(), text);
  platform::headless::RunUntilIdle();
  started = 1;
  return true;
}

// From the tap on Search to the result list painted: the search, its rows, the list,
// the label and the definition panel, everything the tap makes the program do.
void SearchChina(benchmark::State& state)
{
  if (!StartInProcess()) return state.SkipWithError("the program did not start with the full database");
  RECT r;
  GetWindowRect(SearchButton->window, &r);
  POINT search{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  for (auto _ : state) {
    state.PauseTiming();
    ClearResultEntries();  // so that every tap must search again to pass the check below
    state.ResumeTiming();
    Tap(search);
    platform::headless::RunUntilIdle();
    if (ResultEntryCount < 1000) return state.SkipWithError("the tap did not search");
  }
  state.counters["rows"] = ResultEntryCount;
}

void PrintProgramSummary(const Medians& medians)
{
  auto find = [&](const std::string& name) {
    auto it = medians.find(name);
    return it == medians.end() ? Timing{-1, -1} : it->second;
  };
  printf("\nThe handheld program with data/cedict.gb.dat (median of %d runs; target in brackets)\n", BenchRepetitions);
  Timing first = find("program/first_frame/headless");
  Timing search = find("program/search/china");
  Timing windowFirst = find("program/memory_after_start");
  printf("  start to first frame, headless:        %7.1f ms  (< 250 ms)\n", first.real);
  printf("  start to first frame, SDL dummy video: %7.1f ms\n", windowFirst.real);
  printf("  tap on Search to painted list, china:  %7.1f ms  (< 100 ms; %.1f ms processor)\n", search.real, search.cpu);
  double db = FileMegabytes(DataFile("cedict.gb.dat"));
  if (g_memory.rssMb > 0 && db > 0)
    printf("  resident after start: %.1f MiB = %.2f x the %.1f MiB database (< 3 x); peak during start %.1f MiB ="
           " %.2f x; after start %.1f MiB anonymous, %.1f MiB file-backed\n",
           g_memory.rssMb, g_memory.rssMb / db, db, g_memory.peakMb, g_memory.peakMb / db, g_memory.anonMb,
           g_memory.fileMb);
}

struct Registration {
  Registration()
  {
    if (DataFile("cedict.gb.dat").empty()) return;
    benchmark::RegisterBenchmark("program/first_frame/headless", FirstFrame)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(3)
        ->Repetitions(BenchRepetitions)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("program/memory_after_start", ResidentMemory)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(BenchRepetitions)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("program/search/china", SearchChina)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(BenchRepetitions)
        ->ReportAggregatesOnly(true)
        ->MinTime(0.5);
    AddSummary(PrintProgramSummary);
  }
} registration;

}  // namespace
