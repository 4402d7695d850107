#include "handheld_root.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/state_folder.h"

namespace desktop_link {

std::string HandheldRoot() {
  std::string root;
  if (const char* env = std::getenv("ORLEND_HANDHELD_ROOT"); env && *env) {
    root = env;
  } else {
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) data = xdg;
    else if (std::string home = platform::HomeFolder(); !home.empty()) data = home + "/.local/share";
    else return std::string();  // never a shared folder: no handheld at all
    root = data + "/orlend/handheld";
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

bool HandheldConnected() {
  std::string root = HandheldRoot();
  struct stat st;
  if (root.empty() || ::stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  // Another user's folder (or one anybody can write to) could hold what they chose to install.
  std::string problem;
  if (!platform::TrustedStateFolder(root, &problem)) {
    std::fprintf(stderr, "handheld: not used: %s\n", problem.c_str());
    return false;
  }
  return true;
}

}  // namespace desktop_link
