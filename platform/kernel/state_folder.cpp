#include "platform/state_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
  return std::string();
}

namespace {

// Why st cannot be trusted, or null; `shared` lets a sticky folder of the system through.
const char* Distrust(const struct stat& st, bool shared) {
  bool writable = (st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && st.st_gid != ::getegid());
  if (shared && st.st_uid == 0 && S_ISDIR(st.st_mode) && ((st.st_mode & S_ISVTX) || !writable)) return nullptr;
  if (st.st_uid != ::geteuid()) return "belongs to another user";
  if (writable) return "can be written by other users";
  return nullptr;
}

}  // namespace

bool TrustedStateFolder(const std::string& folder, std::string* problem) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) return true;  // made by us when needed
  const char* why = !S_ISDIR(st.st_mode) ? "is not a folder" : Distrust(st, false);
  if (why && problem) *problem = folder + " " + why;
  return why == nullptr;
}

bool TrustedStateFile(const std::string& path, std::string* problem) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  const char* why = nullptr;
  std::string what = folder;
  if (::stat(folder.c_str(), &st) == 0) why = Distrust(st, true);
  if (!why && ::stat(path.c_str(), &st) == 0) {
    what = path;
    why = Distrust(st, false);
  }
  if (why && problem) *problem = what + " " + why;
  return why == nullptr;
}

}  // namespace platform
