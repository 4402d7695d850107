#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/kernel_object.h"
#include "platform/utf.h"

extern char** environ;

namespace platform {

class Process : public KernelObject {
 public:
  explicit Process(pid_t pid) : KernelObject(Kind::Process), pid(pid) {}
  pid_t pid;
  bool foreign = false;  // opened by its id, not started here: its end is seen, not its status
  bool exited = false;
  int status = 0;
};

// Splits a command line the platform's way: white space separates, double quotes group,
// backslashes escape quotes only before a quote.
std::vector<std::string> SplitCommandLine(const std::u16string& line) {
  std::vector<std::string> args;
  std::u16string current;
  bool inQuotes = false, any = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char16_t c = line[i];
    if (c == u'\\') {
      size_t n = 0;
      while (i < line.size() && line[i] == u'\\') ++n, ++i;
      if (i < line.size() && line[i] == u'"') {
        current.append(n / 2, u'\\');
        if (n % 2) {
          current += u'"';
          continue;
        }
        --i;
        any = true;
        continue;
      }
      current.append(n, u'\\');
      --i;
      any = true;
    } else if (c == u'"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == u' ' || c == u'\t') && !inQuotes) {
      if (any) args.push_back(Utf8FromUtf16(current));
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) args.push_back(Utf8FromUtf16(current));
  return args;
}

bool WaitProcess(HANDLE handle, bool block) {
  auto* p = static_cast<Process*>(LookUpHandle(handle, KernelObject::Kind::Process));
  if (!p) return false;
  if (p->foreign) {
    while (!p->exited && !(::kill(p->pid, 0) != 0 && errno == ESRCH) && block) ::usleep(10000);
    if (::kill(p->pid, 0) != 0 && errno == ESRCH) p->exited = true;
    return p->exited;
  }
  if (!p->exited && ::waitpid(p->pid, &p->status, block ? 0 : WNOHANG) == p->pid) p->exited = true;
  return p->exited;
}

void ExecProgramBeside(const char* name, char** argv) {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  self[n] = 0;
  std::string path(self);
  path.replace(path.rfind('/') + 1, std::string::npos, name);
  ::execv(path.c_str(), argv);
}

}  // namespace platform

using namespace platform;

static bool IsExecutable(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A program named without an extension is looked for with the extensions the platform tries.
static std::string ResolveProgram(const std::string& name) {
  if (IsExecutable(name)) return name;
  size_t slash = name.rfind('/');
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    for (const char* ext : {".com", ".exe", ".bat", ".cmd"})
      if (IsExecutable(name + ext)) return name + ext;
  }
  return std::string();
}

BOOL CreateProcessW(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD, LPVOID, LPCWSTR currentDirectory, LPSTARTUPINFOW, LPPROCESS_INFORMATION info) {
  std::vector<std::string> args = SplitCommandLine(commandLine ? std::u16string(commandLine) : std::u16string());
  std::string program = application ? NativePath(application) : (args.empty() ? std::string() : args[0]);
  if (args.empty()) args.push_back(program);
  std::string resolved = ResolveProgram(program);
  if (resolved.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string folder = currentDirectory ? NativePath(currentDirectory) : std::string();
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // The pipe tells the parent whether exec succeeded: it closes on exec, or carries errno.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  if (pid == 0) {
    ::close(fds[0]);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
      int e = errno;
      (void)!::write(fds[1], &e, sizeof e);
      ::_exit(127);
    }
    ::execve(resolved.c_str(), argv.data(), environ);
    int e = errno;
    (void)!::write(fds[1], &e, sizeof e);
    ::_exit(127);
  }
  ::close(fds[1]);
  int childError = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &childError, sizeof childError);
  } while (n < 0 && errno == EINTR);
  ::close(fds[0]);
  if (n == sizeof childError) {
    ::waitpid(pid, nullptr, 0);
    SetLastErrorFromErrno(childError);
    return FALSE;
  }
  if (info) {
    std::memset(info, 0, sizeof *info);
    info->hProcess = new Process(pid);
    info->dwProcessId = static_cast<DWORD>(pid);
  } else {
    // Nobody will wait for it: let init reap it.
    new Process(pid);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

HANDLE OpenProcess(DWORD, BOOL, DWORD processId) {
  pid_t pid = static_cast<pid_t>(processId);
  // A process of another user is there too, only not to be signalled.
  if (pid <= 0 || static_cast<DWORD>(pid) != processId || (::kill(pid, 0) != 0 && errno != EPERM)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* p = new Process(pid);
  p->foreign = true;
  return p;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  if (process == GetCurrentProcess()) {
    std::fflush(nullptr);
    ::_exit(static_cast<int>(exitCode));
  }
  auto* p = static_cast<Process*>(LookUpHandle(process, KernelObject::Kind::Process));
  if (!p) return FALSE;
  return ::kill(p->pid, SIGKILL) == 0 ? TRUE : FALSE;
}

void ExitProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }

