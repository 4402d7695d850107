// Other programs' top-level windows, through files in a per-user folder.
#include "user/instances.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <vector>

#include <dirent.h>

#include "platform/utf.h"
#include "user/window_system.h"

namespace platform {

namespace {

struct StandIn {
  pid_t pid;
  uintptr_t handle;
};

std::unordered_map<uintptr_t, StandIn>& StandIns() {
  static std::unordered_map<uintptr_t, StandIn> map;
  return map;
}
uintptr_t g_nextStandIn = 0x7F000000;  // far above the window system's own handles

bool TakesPart() {
  State& s = S();
  return s.started && !s.finished && s.backend && !s.backend->headless();
}

std::string OwnFile(pid_t pid) { return InstanceFolder() + "/" + std::to_string(pid); }
std::string RequestFile(pid_t pid) { return InstanceFolder() + "/" + std::to_string(pid) + ".raise"; }

// Written whole under another name, then renamed, so a reader never sees half a list.
bool WriteWhole(const std::string& path, const std::string& text) {
  std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    if (!out) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// Tabs and line ends inside titles would break the list's lines.
std::string Field(const std::u16string& text) {
  std::string out = Utf8FromUtf16(text);
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

// The process behind a number as its executable and start time, so that a list left by a
// program that died is not taken for one of a later process that got its number. Empty
// when it cannot be read (gone, or another user's).
std::string ProcessIdentity(pid_t pid) {
  std::string proc = "/proc/" + std::to_string(pid);
  char exe[4096];
  ssize_t n = ::readlink((proc + "/exe").c_str(), exe, sizeof exe);
  if (n <= 0 || n == static_cast<ssize_t>(sizeof exe)) return std::string();
  std::ifstream stat(proc + "/stat");
  std::string line;
  std::getline(stat, line);
  size_t name = line.rfind(')');  // the name in parentheses may hold anything
  if (name == std::string::npos) return std::string();
  std::istringstream fields(line.substr(name + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {  // field 22 is the start time
  }
  if (!fields) return std::string();
  return Field(Utf16FromUtf8(std::string(exe, static_cast<size_t>(n)))) + '\t' + field;
}

const char kIdentity[] = "process\t";

}  // namespace

std::string InstanceFolder() {
  static std::string folder = [] {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string f = runtime && *runtime ? std::string(runtime) + "/orlend-windows"
                                        : "/tmp/orlend-windows-" + std::to_string(::getuid());
    ::mkdir(f.c_str(), 0700);
    struct stat st;
    // Only a folder of our own, that nobody else can write into, is trusted.
    if (::lstat(f.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 0077))
      return std::string();
    return f;
  }();
  return folder;
}

void InstanceWindowsChanged() {
  if (!TakesPart() || InstanceFolder().empty()) return;
  State& s = S();
  std::ostringstream list;
  list << kIdentity << ProcessIdentity(::getpid()) << '\n';
  for (Window* t : s.desktop->children) {
    if (t->cls->system || t->destroying) continue;
    list << std::hex << reinterpret_cast<uintptr_t>(t->handle) << std::dec << '\t' << Field(t->cls->name) << '\t'
         << Field(t->text) << '\n';
  }
  WriteWhole(OwnFile(::getpid()), list.str());
}

void ForgetInstance() {
  if (InstanceFolder().empty()) return;
  std::remove(OwnFile(::getpid()).c_str());
  std::remove(RequestFile(::getpid()).c_str());
}

HWND FindOtherInstanceWindow(LPCWSTR className, LPCWSTR title) {
  if (!TakesPart() || InstanceFolder().empty()) return nullptr;
  if (className && IS_INTRESOURCE(className)) return nullptr;  // atoms are this program's own
  std::string wantClass = className ? Utf8FromUtf16(UpperName(className)) : std::string();
  std::string wantTitle = title ? Field(title) : std::string();
  DIR* dir = ::opendir(InstanceFolder().c_str());
  if (!dir) return nullptr;
  HWND found = nullptr;
  while (dirent* e = ::readdir(dir)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (!*e->d_name || *end || pid <= 0 || pid == ::getpid()) continue;
    std::ifstream in(InstanceFolder() + "/" + e->d_name);
    std::string line;
    std::string identity = ProcessIdentity(static_cast<pid_t>(pid));
    if (!std::getline(in, line) || identity.empty() || line != kIdentity + identity) {
      // Left behind by a program that died; its number may belong to another process now.
      std::remove((InstanceFolder() + "/" + e->d_name).c_str());
      std::remove(RequestFile(static_cast<pid_t>(pid)).c_str());
      continue;
    }
    while (!found && std::getline(in, line)) {
      size_t a = line.find('\t'), b = line.find('\t', a + 1);
      if (a == std::string::npos || b == std::string::npos) continue;
      std::string cls = line.substr(a + 1, b - a - 1), text = line.substr(b + 1);
      if (className && Utf8FromUtf16(UpperName(Utf16FromUtf8(cls))) != wantClass) continue;
      if (title && text != wantTitle) continue;
      uintptr_t handle = std::strtoull(line.substr(0, a).c_str(), nullptr, 16);
      uintptr_t standIn = g_nextStandIn;
      g_nextStandIn += 4;
      StandIns()[standIn] = StandIn{static_cast<pid_t>(pid), handle};
      found = reinterpret_cast<HWND>(standIn);
    }
    if (found) break;
  }
  ::closedir(dir);
  return found;
}

bool RequestForeground(HWND standIn, bool withOwned) {
  auto it = StandIns().find(reinterpret_cast<uintptr_t>(standIn));
  if (it == StandIns().end() || InstanceFolder().empty()) return false;
  std::ostringstream text;
  text << std::hex << it->second.handle << ' ' << (withOwned ? 1 : 0) << '\n';
  return WriteWhole(RequestFile(it->second.pid), text.str());
}

bool TakeForegroundRequest(HWND* window, bool* withOwned) {
  if (InstanceFolder().empty()) return false;
  std::string path = RequestFile(::getpid());
  std::ifstream in(path);
  if (!in) return false;
  std::string handle;
  int owned = 0;
  in >> handle >> owned;
  in.close();
  std::remove(path.c_str());
  *window = reinterpret_cast<HWND>(std::strtoull(handle.c_str(), nullptr, 16));
  *withOwned = owned != 0;
  return *window != nullptr;
}

}  // namespace platform
