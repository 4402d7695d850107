// The desktop's own file chooser (zenity, else kdialog), run as a child process while the
// owner is disabled and the program's windows keep painting.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/file_dialog.h"
#include "platform/utf.h"

extern char** environ;

namespace platform::controls {

namespace {

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t at = 0;
  while (at <= dirs.size()) {
    size_t end = dirs.find(':', at);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(at, end - at) + "/" + name;
    if (end > at && access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return std::string();
}

// "*.gb" as "*.[gG][bB]": the desktop's choosers compare names with case, the platform not.
std::string CaseFolded(const std::u16string& pattern) {
  std::string out;
  for (char c : Utf8FromUtf16(pattern)) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter) {
      out += c;
      continue;
    }
    char lower = static_cast<char>(c | 0x20), upper = static_cast<char>(c & ~0x20);
    out += std::string("[") + lower + upper + "]";
  }
  return out;
}

std::vector<std::string> Patterns(const std::u16string& list) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= list.size()) {
    size_t end = list.find(u';', at);
    if (end == std::u16string::npos) end = list.size();
    std::u16string p = list.substr(at, end - at);
    while (!p.empty() && p.front() == u' ') p.erase(0, 1);
    while (!p.empty() && p.back() == u' ') p.pop_back();
    if (p == u"*.*") out.push_back("*");  // every file, as on the platform
    else if (!p.empty()) out.push_back(CaseFolded(p));
    at = end + 1;
  }
  return out;
}

// The chosen type first: the choosers preselect the first filter they are given.
std::vector<FileFilter> Ordered(const FileRequest& r) {
  std::vector<FileFilter> out;
  if (r.filterIndex < static_cast<int>(r.filters.size())) out.push_back(r.filters[static_cast<size_t>(r.filterIndex)]);
  for (size_t i = 0; i < r.filters.size(); ++i)
    if (static_cast<int>(i) != r.filterIndex) out.push_back(r.filters[i]);
  return out;
}

std::string StartPath(const FileRequest& r) {
  std::string folder = Utf8FromUtf16(r.folder);
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + Utf8FromUtf16(r.name);
}

std::vector<std::string> ZenityArguments(const std::string& program, const FileRequest& r) {
  std::vector<std::string> args = {program, "--file-selection", "--title=" + Utf8FromUtf16(r.title),
                                   "--filename=" + StartPath(r)};
  for (const FileFilter& f : Ordered(r)) {
    std::string line = Utf8FromUtf16(f.description);
    for (char& c : line)
      if (c == '|') c = '/';
    line += " |";
    for (const std::string& p : Patterns(f.patterns)) line += " " + p;
    args.push_back("--file-filter=" + line);
  }
  return args;
}

std::vector<std::string> KdialogArguments(const std::string& program, const FileRequest& r) {
  std::string filter;
  for (const FileFilter& f : Ordered(r)) {
    if (!filter.empty()) filter += "\n";
    std::string patterns;
    for (const std::string& p : Patterns(f.patterns)) patterns += (patterns.empty() ? "" : " ") + p;
    filter += patterns + "|" + Utf8FromUtf16(f.description);
  }
  return {program, "--getopenfilename", StartPath(r), filter, "--title", Utf8FromUtf16(r.title)};
}

// Runs the chooser; its standard output is the chosen path. -1 when it could not start.
int Run(const std::vector<std::string>& args, HWND owner, std::string* output) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return -1;
  }
  HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  bool reenable = root && IsWindowEnabled(root);
  if (reenable) EnableWindow(root, FALSE);
  char buffer[4096];
  for (;;) {
    pollfd p{pipeEnds[0], POLLIN, 0};
    int ready = poll(&p, 1, 40);
    if (ready > 0) {
      ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      output->append(buffer, static_cast<size_t>(n));
    }
    // Meanwhile the program's windows keep painting; input to the disabled owner is dropped.
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (reenable && IsWindow(root)) {
    EnableWindow(root, TRUE);
    SetActiveWindow(root);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

Answer RunDesktopChooser(const FileRequest& request) {
  Answer answer{Outcome::Unavailable, u"", request.filterIndex};
  std::vector<std::string> args;
  if (std::string zenity = FindProgram("zenity"); !zenity.empty()) args = ZenityArguments(zenity, request);
  else if (std::string kdialog = FindProgram("kdialog"); !kdialog.empty()) args = KdialogArguments(kdialog, request);
  else return answer;
  std::string output;
  int code = Run(args, request.owner, &output);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (code == 0 && !output.empty()) {
    answer.outcome = Outcome::Chosen;
    answer.path = Utf16FromNativePath(output);
  } else if (code == 1) {
    answer.outcome = Outcome::Cancelled;  // both choosers end with 1 when the user cancels
  }
  return answer;
}

}  // namespace platform::controls
