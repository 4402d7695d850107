#include <cstdarg>
#include <cstring>
#include <string>

#include "platform/winbase.h"

int lstrlenW(LPCWSTR text) { return text ? static_cast<int>(std::char_traits<char16_t>::length(text)) : 0; }

LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR source) {
  if (!dest || !source) return nullptr;
  std::memmove(dest, source, (static_cast<size_t>(lstrlenW(source)) + 1) * sizeof(WCHAR));
  return dest;
}

LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR source, int count) {
  if (!dest || !source || count <= 0) return dest;
  int i = 0;
  for (; i < count - 1 && source[i]; ++i) dest[i] = source[i];
  dest[i] = 0;
  return dest;
}

LPWSTR lstrcatW(LPWSTR dest, LPCWSTR source) {
  if (!dest || !source) return nullptr;
  lstrcpyW(dest + lstrlenW(dest), source);
  return dest;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
  if (!a || !b) return a ? 1 : b ? -1 : 0;
  for (; *a && *a == *b; ++a, ++b) {
  }
  return *a < *b ? -1 : *a > *b ? 1 : 0;
}

static char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (!a || !b) return a ? 1 : b ? -1 : 0;
  for (; *a && Lower(*a) == Lower(*b); ++a, ++b) {
  }
  char16_t x = Lower(*a), y = Lower(*b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// The formats the programs use: %d %i %u %x %X %c %s %% with optional '-', '0', width
// and the 'l' and 'h' size prefixes. Output is limited to 1024 units, as on the platform.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  if (!buffer || !format) return 0;
  va_list args;
  va_start(args, format);
  std::u16string out;
  for (LPCWSTR p = format; *p; ++p) {
    if (*p != u'%') {
      out += *p;
      continue;
    }
    ++p;
    if (*p == u'%') {
      out += u'%';
      continue;
    }
    bool left = false, zero = false;
    for (; *p == u'-' || *p == u'0'; ++p) (*p == u'-' ? left : zero) = true;
    int width = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) width = width * 10 + (*p - u'0');
    while (*p == u'l' || *p == u'h') ++p;
    std::u16string field;
    switch (*p) {
      case u'd':
      case u'i': {
        long long v = va_arg(args, int);
        std::string s = std::to_string(v);
        field.assign(s.begin(), s.end());
        break;
      }
      case u'u': {
        std::string s = std::to_string(va_arg(args, unsigned int));
        field.assign(s.begin(), s.end());
        break;
      }
      case u'x':
      case u'X': {
        unsigned v = va_arg(args, unsigned int);
        const char* digits = *p == u'x' ? "0123456789abcdef" : "0123456789ABCDEF";
        do {
          field.insert(field.begin(), char16_t(digits[v & 15]));
          v >>= 4;
        } while (v);
        break;
      }
      case u'c': field += static_cast<char16_t>(va_arg(args, int)); break;
      case u's': {
        LPCWSTR s = va_arg(args, LPCWSTR);
        field = s ? s : u"(null)";
        break;
      }
      case 0: --p; break;
      default: field += *p; break;
    }
    if (static_cast<int>(field.size()) < width) {
      std::u16string pad(static_cast<size_t>(width) - field.size(), zero && !left ? u'0' : u' ');
      if (left) field += pad;
      else if (zero && !field.empty() && field[0] == u'-') field.insert(1, pad);
      else field.insert(0, pad);
    }
    out += field;
  }
  va_end(args);
  if (out.size() > 1024) out.resize(1024);
  std::memcpy(buffer, out.c_str(), (out.size() + 1) * sizeof(WCHAR));
  return static_cast<int>(out.size());
}
