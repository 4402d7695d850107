#include "platform/utf.h"

namespace platform {

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {

// A byte that starts no UTF-8 character: U+FFFD, or for a path U+DC80 to U+DCFF, which
// NativePath turns back into the byte. No UTF-8 text holds those units, so nothing else
// comes back as a byte.
std::u16string Utf16FromBytes(std::string_view text, bool escape, bool* valid = nullptr) {
  if (valid) *valid = true;
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    uint32_t c;
    size_t len;
    if (b < 0x80) {
      c = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      len = 4;
    } else {
      out += escape ? static_cast<char16_t>(0xDC00 | b) : u'\xFFFD';
      if (valid) *valid = false;
      ++i;
      continue;
    }
    bool ok = i + len <= text.size();
    for (size_t k = 1; ok && k < len; ++k) {
      unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (t & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += escape ? static_cast<char16_t>(0xDC00 | b) : u'\xFFFD';
      if (valid) *valid = false;
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += len;
  }
  return out;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) { return Utf16FromBytes(text, false); }

std::u16string Utf16FromUtf8(std::string_view text, bool* valid) { return Utf16FromBytes(text, false, valid); }

std::u16string Utf16FromNativePath(std::string_view path) { return Utf16FromBytes(path, true); }

std::string NativePath(LPCWSTR path) {
  if (!path) return std::string();
  std::u16string_view text(path);
  std::string p;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    bool escaped = i < text.size() && text[i] >= 0xDC80 && text[i] <= 0xDCFF &&
                   !(i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF);
    if (!escaped && i < text.size()) continue;
    p += Utf8FromUtf16(text.substr(start, i - start));
    if (escaped) p += static_cast<char>(text[i] & 0xFF);
    start = i + 1;
  }
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

}  // namespace platform
