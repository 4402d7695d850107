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
// Files and folders are relative to the folder of install.ini and stay inside it; they are
// installed into InstallDir below the handheld's root and nowhere else. A package that
// names anything outside is refused whole, before anything is written.
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

// `path` lies inside `folder` (both absolute and free of links, "." and "..").
bool Inside(const fs::path& path, const fs::path& folder) {
  fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

// A name from install.ini, relative to its folder: no root, no "." or ".." steps.
bool PlainRelative(const fs::path& name) {
  if (name.empty() || name.has_root_path()) return false;
  for (const fs::path& step : name)
    if (step == "." || step == ".." || step.empty()) return false;
  return true;
}

struct Copy {
  fs::path from, to;
  bool folder;
};

class Planner {
 public:
  Planner(fs::path package, fs::path root) : package_(std::move(package)), root_(std::move(root)) {}

  // Plans the copy of package/`name` to `to`; a folder with everything inside it.
  void Add(const std::string& name, const fs::path& to) {
    if (!PlainRelative(name)) return Refuse(name, "lies outside the package's folder");
    Walk(package_ / name, to, name, 0);
  }
  // A target on the handheld must be no link, nor lie below one.
  void CheckTarget(const fs::path& to) {
    for (fs::path at = to; Inside(at, root_); at = at.parent_path()) {
      std::error_code e;
      if (fs::is_symlink(fs::symlink_status(at, e))) return Refuse(at.string(), "on the handheld is a link; not followed");
    }
  }
  void Refuse(const std::string& what, const char* why) {
    std::fprintf(stderr, "ceappmgr: refused: %s %s\n", what.c_str(), why);
    ++refused;
  }

  std::vector<Copy> plan;
  int refused = 0;

 private:
  void Walk(const fs::path& from, const fs::path& to, const std::string& shown, int depth) {
    std::error_code e;
    fs::path real = fs::canonical(from, e);
    if (e) return Refuse(shown, "cannot be read");
    if (!Inside(real, package_)) return Refuse(shown, "leads out of the package's folder");
    CheckTarget(to);
    if (!fs::is_directory(real, e)) {
      if (!fs::is_regular_file(real, e)) return Refuse(shown, "is no file");
      plan.push_back({real, to, false});
      return;
    }
    if (fs::is_symlink(fs::symlink_status(from, e))) return Refuse(shown, "is a linked folder; not followed");
    if (Inside(to, real) || depth > 32) return Refuse(shown, "would hold its own copy");
    plan.push_back({real, to, true});
    for (const fs::directory_entry& entry : fs::directory_iterator(real, e))
      Walk(entry.path(), to / entry.path().filename(), shown + "/" + entry.path().filename().string(), depth + 1);
    if (e) Refuse(shown, "cannot be read");
  }

  fs::path package_, root_;
};

// The install.ini path among the arguments. The setup launcher starts us with our own path
// as it stands in the registry, unquoted, then the quoted path; the process start splits
// that line at the spaces of our path. So the path is the last argument, and the ones
// before it must name this program.
bool PackageArgument(int argc, char** argv, std::string& ini) {
  if (argc < 2) return false;
  if (argc > 2) {
    std::string self = argv[0];
    for (int i = 1; i < argc - 1; ++i) self += std::string(" ") + argv[i];
    std::error_code e;
    if (!fs::equivalent(self, "/proc/self/exe", e)) return false;
  }
  ini = argv[argc - 1];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string arg;
  if (!PackageArgument(argc, argv, arg)) {
    std::fprintf(stderr, "ceappmgr: usage: ceappmgr INSTALL.INI (one argument: the package description's path)\n");
    return 2;
  }
  // The setup launcher passes the path in double quotes; the shell may keep them.
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
  while (!install_dir.empty() && install_dir.back() == '/') install_dir.pop_back();
  if (!PlainRelative(install_dir)) {
    std::fprintf(stderr, "ceappmgr: %s has no valid InstallDir\n", ini_path.c_str());
    return 1;
  }
  std::error_code error;
  fs::path package = fs::canonical(ini_path.parent_path().empty() ? fs::path(".") : ini_path.parent_path(), error);
  fs::path root = error ? fs::path() : fs::canonical(desktop_link::HandheldRoot(), error);
  if (error) {
    std::fprintf(stderr, "ceappmgr: cannot read %s: %s\n", ini_path.c_str(), error.message().c_str());
    return 1;
  }
  fs::path target = root / install_dir;

  Planner planner(package, root);
  planner.CheckTarget(target);
  int items = 0;
  for (const std::string& file : List(section["files"])) {
    planner.Add(file, target / fs::path(file).filename());
    ++items;
  }
  for (const std::string& folder : List(section["folders"])) {
    planner.Add(folder, target / fs::path(folder).filename());
    ++items;
  }
  if (planner.refused) {
    std::fprintf(stderr, "ceappmgr: %s: %d refused; nothing installed\n", ini_path.c_str(), planner.refused);
    return 1;
  }
  fs::create_directories(target, error);
  if (error) {
    std::fprintf(stderr, "ceappmgr: cannot create %s: %s\n", target.c_str(), error.message().c_str());
    return 1;
  }
  for (const Copy& copy : planner.plan) {
    if (copy.folder) fs::create_directories(copy.to, error);
    else fs::copy_file(copy.from, copy.to, fs::copy_options::overwrite_existing, error);
    if (error) {
      std::fprintf(stderr, "ceappmgr: cannot install %s: %s\n", copy.from.c_str(), error.message().c_str());
      return 1;
    }
  }
  std::printf("ceappmgr: installed %s (%d items) into %s\n", component.c_str(), items, target.c_str());
  return 0;
}
