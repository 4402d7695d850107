#include "handheld_root.h"

#include <sys/stat.h>

#include <cstdlib>

namespace desktop_link {

std::string HandheldRoot() {
  std::string root;
  if (const char* env = std::getenv("ORLEND_HANDHELD_ROOT"); env && *env) {
    root = env;
  } else {
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) data = std::string(home) + "/.local/share";
    else data = "/tmp";
    root = data + "/orlend/handheld";
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

bool HandheldConnected() {
  struct stat st;
  return ::stat(HandheldRoot().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace desktop_link
