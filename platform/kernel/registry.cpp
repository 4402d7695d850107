// A small file-backed registry in the text form of exported registry files:
//   [HKEY_LOCAL_MACHINE\SOFTWARE\...\CEAPPMGR.EXE]
//   @="/path/to/program"
//   "Name"=dword:00000001
// The file is ORLEND_REGISTRY, else $XDG_CONFIG_HOME/orlend/registry.reg (~/.config/...).
// A file in a folder that another user owns or can write to is not used: whoever controls
// it would choose the programs that the registry names.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <unordered_set>

#include "platform/state_folder.h"
#include "platform/utf.h"
#include "platform/winbase.h"
#include "platform/winreg.h"

namespace {

struct Value {
  DWORD type = REG_SZ;
  std::string text;  // REG_SZ as UTF-8
  DWORD number = 0;
};
struct Key {
  std::string path;  // "HKEY_LOCAL_MACHINE\\SOFTWARE\\..."
};
using Hive = std::map<std::string, std::map<std::string, Value>>;  // upper-cased key path -> values

std::mutex g_mutex;
std::unordered_set<Key*> g_keys;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string RegistryFile() {
  if (const char* env = std::getenv("ORLEND_REGISTRY"); env && *env) return env;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) base = xdg;
  else if (std::string home = platform::HomeFolder(); !home.empty()) base = home + "/.config";
  else return std::string();
  return base + "/orlend/registry.reg";
}

// The registry file, or empty (with a line on standard error, once) when it cannot be trusted.
std::string TrustedRegistryFile() {
  std::string path = RegistryFile();
  std::string problem;
  if (path.empty()) problem = "the account has no home folder";
  else if (platform::TrustedStateFolder(path.substr(0, path.rfind('/') + 1), &problem)) return path;
  static bool told = false;
  if (!told) std::fprintf(stderr, "registry: not used: %s\n", problem.c_str());
  told = true;
  return std::string();
}

std::string Unquote(const std::string& s, size_t& i) {
  std::string out;
  for (++i; i < s.size() && s[i] != '"'; ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  ++i;
  return out;
}

Hive Load() {
  Hive hive;
  std::string path = TrustedRegistryFile();
  if (path.empty()) return hive;
  std::ifstream file(path);
  std::string line, section;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t end = line.rfind(']');
      section = Upper(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
      hive[section];
      continue;
    }
    if (section.empty()) continue;
    size_t i = 0;
    std::string name;
    if (line[0] == '@') i = 1;
    else if (line[0] == '"') name = Unquote(line, i);
    else continue;
    if (i >= line.size() || line[i] != '=') continue;
    ++i;
    Value v;
    if (i < line.size() && line[i] == '"') {
      v.type = REG_SZ;
      v.text = Unquote(line, i);
    } else if (line.compare(i, 6, "dword:") == 0) {
      v.type = REG_DWORD;
      v.number = static_cast<DWORD>(std::strtoul(line.c_str() + i + 6, nullptr, 16));
    } else {
      continue;
    }
    hive[section][Upper(name)] = v;
  }
  return hive;
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool Save(const Hive& hive) {
  std::string path = TrustedRegistryFile();
  if (path.empty()) return false;
  std::string folder = path.substr(0, path.rfind('/'));
  ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0755);
  ::mkdir(folder.c_str(), 0755);
  std::ostringstream out;
  for (const auto& [section, values] : hive) {
    out << '[' << section << "]\n";
    for (const auto& [name, v] : values) {
      out << (name.empty() ? std::string("@") : Quote(name)) << '=';
      if (v.type == REG_DWORD) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x", v.number);
        out << hex << '\n';
      } else {
        out << Quote(v.text) << '\n';
      }
    }
    out << '\n';
  }
  std::string temp = path + ".tmp";
  {
    std::ofstream file(temp, std::ios::trunc);
    file << out.str();
    if (!file.flush()) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

const char* RootName(HKEY root) {
  switch (reinterpret_cast<ULONG_PTR>(root)) {
    case 0x80000000: return "HKEY_CLASSES_ROOT";
    case 0x80000001: return "HKEY_CURRENT_USER";
    case 0x80000002: return "HKEY_LOCAL_MACHINE";
    default: return nullptr;
  }
}

std::string PathOf(HKEY root, LPCWSTR subKey) {
  std::string base;
  if (const char* name = RootName(root)) {
    base = name;
  } else {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto* key = reinterpret_cast<Key*>(root);
    if (!g_keys.count(key)) return std::string();
    base = key->path;
  }
  std::string sub = subKey ? platform::Utf8FromUtf16(subKey) : std::string();
  while (!sub.empty() && sub.front() == '\\') sub.erase(0, 1);
  while (!sub.empty() && sub.back() == '\\') sub.pop_back();
  return Upper(sub.empty() ? base : base + "\\" + sub);
}

HKEY NewKey(const std::string& path) {
  auto* key = new Key{path};
  std::lock_guard<std::mutex> lock(g_mutex);
  g_keys.insert(key);
  return reinterpret_cast<HKEY>(key);
}

const Key* KeyOf(HKEY h) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto* key = reinterpret_cast<Key*>(h);
  return g_keys.count(key) ? key : nullptr;
}

}  // namespace

LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD, REGSAM, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path = PathOf(root, subKey);
  if (path.empty()) return ERROR_INVALID_HANDLE;
  Hive hive = Load();
  if (!hive.count(path)) return ERROR_FILE_NOT_FOUND;
  *result = NewKey(path);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, void*, HKEY* result,
                     LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::string path = PathOf(root, subKey);
  if (path.empty()) return ERROR_INVALID_HANDLE;
  Hive hive = Load();
  bool existed = hive.count(path) != 0;
  if (!existed) {
    hive[path];
    if (!Save(hive)) return ERROR_ACCESS_DENIED;
  }
  if (disposition) *disposition = existed ? 2 : 1;
  *result = NewKey(path);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY h, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  const Key* key = KeyOf(h);
  if (!key) return ERROR_INVALID_HANDLE;
  Hive hive = Load();
  auto section = hive.find(key->path);
  if (section == hive.end()) return ERROR_FILE_NOT_FOUND;
  auto value = section->second.find(Upper(name ? platform::Utf8FromUtf16(name) : std::string()));
  if (value == section->second.end()) return ERROR_FILE_NOT_FOUND;
  std::u16string wide = platform::Utf16FromUtf8(value->second.text);
  DWORD needed = value->second.type == REG_DWORD ? 4 : static_cast<DWORD>((wide.size() + 1) * sizeof(WCHAR));
  if (type) *type = value->second.type;
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  if (!data) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (value->second.type == REG_DWORD) std::memcpy(data, &value->second.number, 4);
  else std::memcpy(data, wide.c_str(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY h, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  const Key* key = KeyOf(h);
  if (!key) return ERROR_INVALID_HANDLE;
  Value v;
  v.type = type;
  if (type == REG_DWORD) {
    if (size < 4 || !data) return ERROR_INVALID_PARAMETER;
    std::memcpy(&v.number, data, 4);
  } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
    v.type = REG_SZ;
    std::u16string text(reinterpret_cast<const char16_t*>(data), size / sizeof(WCHAR));
    while (!text.empty() && text.back() == 0) text.pop_back();
    v.text = platform::Utf8FromUtf16(text);
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  Hive hive = Load();
  hive[key->path][Upper(name ? platform::Utf8FromUtf16(name) : std::string())] = v;
  return Save(hive) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegCloseKey(HKEY h) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto* key = reinterpret_cast<Key*>(h);
  if (!g_keys.erase(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}
