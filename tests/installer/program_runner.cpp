#include "program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace installer_test {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string BuiltProgram(const std::string& name) { return std::string(ORLEND_BINARY_DIR) + "/bin/" + name; }

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
               const std::vector<std::string>& env, int seconds) {
  static int serial = 0;
  std::filesystem::create_directories(std::string(ORLEND_BINARY_DIR) + "/test-scratch");
  std::string base = std::string(ORLEND_BINARY_DIR) + "/test-scratch/run-" + std::to_string(::getpid()) + "-" +
                     std::to_string(serial++);
  std::string outPath = base + ".out", errPath = base + ".err";
  pid_t pid = fork();
  if (pid == 0) {
    for (const std::string& e : env) {
      size_t eq = e.find('=');
      std::string name = e.substr(0, eq), value = e.substr(eq + 1);
      if (value.empty()) ::unsetenv(name.c_str());
      else ::setenv(name.c_str(), value.c_str(), 1);
    }
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(folder.c_str()) != 0) _exit(126);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ProgramRun run;
  if (pid < 0) return run;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  bool ended = false;
  while (std::chrono::steady_clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  } else if (WIFEXITED(status)) {
    run.code = WEXITSTATUS(status);
  }
  run.out = Slurp(outPath);
  run.err = Slurp(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return run;
}

}  // namespace installer_test
