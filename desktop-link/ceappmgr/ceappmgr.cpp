// Stand-in for the desktop link's application manager: installs the components that an
// install.ini names into the emulated handheld.
//
//   [CEAppManager]
//   Version = 1.0
//   Component = Duzavur Evuravuzad
//
//   [Duzavur Evuravuzad]
//   Description = ...
//   InstallDir = program files\orlend's chinese dictionary
//   Files = orlend-dict, tovu.dll, zorwen.dll
//   Folders = help, res
//
// Files and folders are relative to the folder of install.ini.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "handheld_root.h"

namespace fs = std::filesystem;

namespace {

using Ini = std::map<std::string, std::map<std::string, std::string>>;

std::string Trim(std::string s) {
  size_t a = s.find_first_not_of(" \t\r\"");
  size_t b = s.find_last_not_of(" \t\r\"");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool ReadIni(const fs::path& path, Ini& ini) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = Lower(Trim(line.substr(1, line.find(']') - 1)));
      continue;
    }
    size_t eq = line.find('=');
    if (eq != std::string::npos) ini[section][Lower(Trim(line.substr(0, eq)))] = Trim(line.substr(eq + 1));
  }
  return true;
}

std::vector<std::string> List(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string item = Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!item.empty()) items.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ceappmgr INSTALL.INI\n");
    return 2;
  }
  // The setup launcher passes the path in double quotes; the shell may keep them.
  std::string arg = argv[1];
  for (int i = 2; i < argc; ++i) arg += std::string(" ") + argv[i];
  std::string ini_text = Trim(arg);
  for (char& c : ini_text)
    if (c == '\\') c = '/';  // the launcher writes the platform's separators
  fs::path ini_path = ini_text;
  Ini ini;
  if (!ReadIni(ini_path, ini)) {
    std::fprintf(stderr, "ceappmgr: cannot read %s\n", ini_path.c_str());
    return 1;
  }
  if (!desktop_link::HandheldConnected()) {
    std::fprintf(stderr, "ceappmgr: no handheld connected (its folder %s does not exist)\n",
                 desktop_link::HandheldRoot().c_str());
    return 1;
  }
  std::string component = ini["ceappmanager"]["component"];
  if (component.empty() || !ini.count(Lower(component))) {
    std::fprintf(stderr, "ceappmgr: %s names no component to install\n", ini_path.c_str());
    return 1;
  }
  auto& section = ini[Lower(component)];
  std::string install_dir = section["installdir"];
  for (char& c : install_dir)
    if (c == '\\') c = '/';
  if (install_dir.empty() || install_dir.find("..") != std::string::npos || install_dir[0] == '/') {
    std::fprintf(stderr, "ceappmgr: %s has no valid InstallDir\n", ini_path.c_str());
    return 1;
  }
  fs::path source = ini_path.parent_path().empty() ? fs::path(".") : ini_path.parent_path();
  fs::path target = fs::path(desktop_link::HandheldRoot()) / install_dir;
  std::error_code error;
  fs::create_directories(target, error);
  if (error) {
    std::fprintf(stderr, "ceappmgr: cannot create %s: %s\n", target.c_str(), error.message().c_str());
    return 1;
  }
  int installed = 0;
  for (const std::string& file : List(section["files"])) {
    fs::copy_file(source / file, target / fs::path(file).filename(), fs::copy_options::overwrite_existing, error);
    if (error) {
      std::fprintf(stderr, "ceappmgr: cannot install %s: %s\n", file.c_str(), error.message().c_str());
      return 1;
    }
    ++installed;
  }
  for (const std::string& folder : List(section["folders"])) {
    fs::copy(source / folder, target / fs::path(folder).filename(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) {
      std::fprintf(stderr, "ceappmgr: cannot install %s: %s\n", folder.c_str(), error.message().c_str());
      return 1;
    }
    ++installed;
  }
  std::printf("ceappmgr: installed %s (%d items) into %s\n", component.c_str(), installed, target.c_str());
  return 0;
}
