// The full word list, multiplied: database images and source files holding
// their entries several times over, for the scale test and the scale benchmark.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// A database image with its header line once and its entry lines `times` times;
// empty when the image has no header line.
inline std::vector<unsigned char> ReplicateDatabase(const std::vector<unsigned char>& image, int times)
{
  size_t at = 4;
  while (at + 1 < image.size() && !(image[at] == 10 && image[at + 1] == 0)) at += 2;
  if (image.size() < 4 || at + 1 >= image.size()) return {};
  size_t entries = at + 2;
  int32_t count;
  memcpy(&count, image.data(), 4);
  int32_t replicated = 1 + (count - 1) * times;
  std::vector<unsigned char> out;
  out.reserve(entries + (image.size() - entries) * times);
  out.insert(out.end(), image.begin(), image.begin() + entries);
  memcpy(out.data(), &replicated, 4);
  for (int t = 0; t < times; t++) out.insert(out.end(), image.begin() + entries, image.end());
  return out;
}

// A word list with its leading comment lines (those starting with '#', and for a
// classic list its one header line) once and the rest `times` times. A last
// line without its end gets one (CR LF in a classic list, LF otherwise), so
// that copies never run together.
inline std::vector<unsigned char> ReplicateSource(const std::vector<unsigned char>& source, int times, bool classic)
{
  size_t body = 0;
  if (!classic && source.size() >= 3 && source[0] == 0xEF && source[1] == 0xBB && source[2] == 0xBF) body = 3;
  for (bool first = true; body < source.size(); first = false) {
    bool comment = source[body] == '#' || (classic && first);
    if (!comment) break;
    while (body < source.size() && source[body] != '\n') body++;
    if (body < source.size()) body++;
  }
  std::vector<unsigned char> copy(source.begin() + body, source.end());
  if (!copy.empty() && copy.back() != '\n') {
    if (classic) copy.push_back('\r');
    copy.push_back('\n');
  }
  std::vector<unsigned char> out(source.begin(), source.begin() + body);
  out.reserve(body + copy.size() * times);
  for (int t = 0; t < times; t++) out.insert(out.end(), copy.begin(), copy.end());
  return out;
}
