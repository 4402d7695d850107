#include "device/shell/settings.h"

#include <cstring>
#include <utility>
#include <vector>

#include "device/shell/program_folder.h"
#include "device/shell/replace_file.h"

namespace {

std::vector<std::pair<std::string, std::string>> g_settings;

bool ValidUtf8(const char* p, size_t n) {
  static const unsigned kLeast[] = {0, 0x80, 0x800, 0x10000};
  size_t i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (c == 0) return false;
    size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 4;
    if (extra == 4 || i + extra >= n + (extra ? 0 : 1)) return false;
    unsigned code = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(p[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and code points past the last plane are not text.
    if (code < kLeast[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    i += extra + 1;
  }
  return true;
}

std::pair<std::string, std::string>* Find(const char* key) {
  for (auto& setting : g_settings)
    if (setting.first == key) return &setting;
  return nullptr;
}

void TakeLine(const char* line, size_t n) {
  if (n > 0 && line[n - 1] == '\r') --n;
  if (!ValidUtf8(line, n)) return;
  const char* equals = static_cast<const char*>(std::memchr(line, '=', n));
  if (!equals || equals == line) return;
  std::string key(line, static_cast<size_t>(equals - line));
  std::string value(equals + 1, static_cast<size_t>(line + n - equals - 1));
  if (auto* found = Find(key.c_str())) found->second = value;
  else g_settings.emplace_back(std::move(key), std::move(value));
}

}  // namespace

void ClearSettings() { g_settings.clear(); }

void ReadSettings() {
  ClearSettings();
  std::vector<char> bytes;
  if (!ReadProgramFile(SETTINGS_FILE_NAME, SETTINGS_READ_LIMIT, &bytes)) return;
  size_t total = bytes.size();
  // A line without its line feed was cut (by a full disk, or by the limit): its value
  // may be a shorter one that still parses, so it is not taken.
  size_t start = 0;
  for (size_t i = 0; i < total; ++i) {
    if (bytes[i] != '\n') continue;
    TakeLine(bytes.data() + start, i - start);
    start = i + 1;
  }
}

const char* GetSetting(const char* key) {
  auto* found = Find(key);
  return found ? found->second.c_str() : nullptr;
}

void SetSetting(const char* key, const char* value) {
  if (!key || !*key || std::strpbrk(key, "=\r\n")) return;
  if (!value) {
    for (size_t i = 0; i < g_settings.size(); ++i)
      if (g_settings[i].first == key) {
        g_settings.erase(g_settings.begin() + static_cast<long>(i));
        break;
      }
    return;
  }
  std::string text(value, std::strcspn(value, "\r\n"));
  if (auto* found = Find(key)) found->second = text;
  else g_settings.emplace_back(key, text);
}

int WriteSettings() {
  std::string text;
  for (const auto& setting : g_settings) text += setting.first + "=" + setting.second + "\n";
  return ReplaceProgramFile(SETTINGS_FILE_NAME, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()));
}
