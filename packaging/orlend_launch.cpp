// The commands on the PATH (bin/orlend-dict, bin/orlend-dict-installer, bin/orlend-setup) are
// links to this program in the package folder. The common start, orlend-dict when the
// handheld already has the package's programs, it does itself: it finds the handheld's program
// folder, sees that the four program files stand as they did when they last matched (the
// record orlend-launch.sh keeps), and starts the handheld's orlend-dict, with no shell and no
// helper command in between. Every other start (the installer, the setup launcher, a first
// start, an upgrade, a missing HOME) goes to orlend-launch.sh beside it, which knows the rest.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string PackageFolder()
{
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::string();
  self[n] = 0;
  std::string path(self);
  return path.substr(0, path.rfind('/'));
}

// The script, told the name this program was started as.
int ToScript(const std::string& package, const std::string& name, char** argv)
{
  std::string script = package + "/orlend-launch.sh";
  setenv("ORLEND_LAUNCH_AS", name.c_str(), 1);
  argv[0] = const_cast<char*>(script.c_str());
  execv(script.c_str(), argv);
  fprintf(stderr, "orlend-launch: cannot run %s: %s\n", script.c_str(), strerror(errno));
  return 2;
}

const char* Set(const char* variable)
{
  const char* value = getenv(variable);
  return value && *value ? value : nullptr;
}

// What `stat -L --printf '%s %Y %Z %i %d '` prints for each file (the script's record), or
// false when one is missing.
bool Identity(const std::string files[], int count, std::string* identity)
{
  for (int k = 0; k < count; k++) {
    struct stat st;
    if (stat(files[k].c_str(), &st) != 0) return false;
    *identity += std::to_string((long long)st.st_size) + " " + std::to_string((long long)st.st_mtim.tv_sec) + " " +
                 std::to_string((long long)st.st_ctim.tv_sec) + " " + std::to_string((unsigned long long)st.st_ino) +
                 " " + std::to_string((unsigned long long)st.st_dev) + " ";
  }
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  std::string package = PackageFolder();
  std::string name = argv[0] ? argv[0] : "";
  name = name.substr(name.rfind('/') + 1);
  if (package.empty()) {
    fprintf(stderr, "orlend-launch: cannot find the package folder\n");
    return 2;
  }
  if (name != "orlend-dict") return ToScript(package, name, argv);
  for (int k = 1; k < argc; k++) {
    if (strcmp(argv[k], "--") == 0) break;
    if (!strcmp(argv[k], "-h") || !strcmp(argv[k], "--help") || !strcmp(argv[k], "-V") || !strcmp(argv[k], "--version"))
      return ToScript(package, name, argv);  // it answers them without the handheld
  }
  std::string root;
  if (const char* set = Set("ORLEND_HANDHELD_ROOT"))
    root = set;
  else if (const char* data = Set("XDG_DATA_HOME"))
    root = std::string(data) + "/orlend/handheld";
  else if (const char* home = Set("HOME"))
    root = std::string(home) + "/.local/share/orlend/handheld";
  else
    return ToScript(package, name, argv);
  const std::string folder = root + "/program files/orlend's chinese dictionary";
  const std::string files[] = {package + "/orlend-dict", folder + "/orlend-dict", package + "/orlend-dict-handheld",
                               folder + "/orlend-dict-handheld"};
  std::string identity;
  std::string stamp = (root.size() > 1 && root.back() == '/' ? root.substr(0, root.size() - 1) : root) + ".installed";
  std::ifstream in(stamp, std::ios::binary);
  std::string recorded((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!recorded.empty() && recorded.back() == '\n') recorded.pop_back();
  if (!Identity(files, 4, &identity) || identity != recorded) return ToScript(package, name, argv);
  struct stat st;
  if (stat((folder + "/cedict.gb.dat").c_str(), &st) != 0 && stat((folder + "/cedict.b5.dat").c_str(), &st) != 0)
    fprintf(stderr,
            "orlend-dict: no dictionary database on the handheld yet; convert CC-CEDICT and send it with\n"
            "  orlend-dict-installer --convert cedict_ts.u8 --transfer\n");
  const std::string program = folder + "/orlend-dict";
  argv[0] = const_cast<char*>(program.c_str());
  execv(program.c_str(), argv);
  fprintf(stderr, "orlend-dict: cannot start %s: %s\n", program.c_str(), strerror(errno));
  return 2;
}
