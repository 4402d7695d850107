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

bool TrustedStateFolder(const std::string& folder, std::string* problem) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) return true;  // made by us when needed
  const char* why = nullptr;
  if (!S_ISDIR(st.st_mode)) why = "is not a folder";
  else if (st.st_uid != ::geteuid()) why = "belongs to another user";
  else if ((st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && st.st_gid != ::getegid()))
    why = "can be written by other users";
  if (why && problem) *problem = folder + " " + why;
  return why == nullptr;
}

}  // namespace platform
