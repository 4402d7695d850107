// Small helpers for the installer tests: a fresh folder per test, whole-file
// reads and writes, and hooks that record what the conversion reported.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "installer/convert_dictionary.h"
#include "platform/utf.h"

namespace installer_test {

inline std::filesystem::path FreshFolder(const std::string& name) {
  std::filesystem::path folder =
      std::filesystem::path(ORLEND_BINARY_DIR) / "test-scratch" / "installer" / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// The temporary files and kept older files left in a folder (names ending in .new or .old).
inline std::string Leftovers(const std::filesystem::path& folder) {
  std::string names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.size() > 4 && (name.ends_with(".new") || name.ends_with(".old"))) names += name + " ";
  }
  return names;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The database layout: line count, then each line's UTF-16LE units and CR LF.
inline std::string Database(const std::vector<std::u16string>& lines) {
  std::string bytes;
  uint32_t count = static_cast<uint32_t>(lines.size());
  for (int i = 0; i < 4; i++) bytes += static_cast<char>((count >> (8 * i)) & 0xFF);
  for (const std::u16string& line : lines) {
    for (char16_t unit : line + u"\r\n") {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
  }
  return bytes;
}

struct Recorder {
  std::vector<std::string> events;  // "open <message> <maximum>", "close", "processed", "failed <message>"
  std::vector<int> positions;

  ConversionHooks Hooks() {
    ConversionHooks hooks;
    hooks.context = this;
    hooks.OpenProgress = [](void* c, const WCHAR* message, int maximum) {
      static_cast<Recorder*>(c)->events.push_back("open " + platform::Utf8FromUtf16(message) + " " +
                                                  std::to_string(maximum));
    };
    hooks.SetProgress = [](void* c, int position) { static_cast<Recorder*>(c)->positions.push_back(position); };
    hooks.CloseProgress = [](void* c) { static_cast<Recorder*>(c)->events.push_back("close"); };
    hooks.Processed = [](void* c) { static_cast<Recorder*>(c)->events.push_back("processed"); };
    hooks.Failed = [](void* c, const WCHAR* message) {
      static_cast<Recorder*>(c)->events.push_back("failed " + platform::Utf8FromUtf16(message));
    };
    return hooks;
  }
};

// The path as the installer's 260-unit path buffer.
struct PathBuffer {
  WCHAR units[MAX_PATH] = {};
  explicit PathBuffer(const std::filesystem::path& path) {
    std::u16string text = platform::Utf16FromUtf8(path.string());
    text.copy(units, MAX_PATH - 1);
  }
  std::string Utf8() const { return platform::Utf8FromUtf16(units); }
};

}  // namespace installer_test
