// Code page conversion: UTF-8 both ways here, the others over iconv. Invalid input becomes
// U+FFFD (one per byte that could not start a character, one per unmapped double-byte
// character), so a damaged line still converts and the characters after it stay whole.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "platform/winbase.h"

namespace {

const char* IconvName(UINT codePage) {
  switch (codePage) {
    case 936: return "CP936";
    case 950: return "CP950";
    case 1252: return "CP1252";
    case CP_ACP:
    case CP_UTF8: return "UTF-8";
    default: return nullptr;
  }
}

// One converter per code page and thread, reused: opening iconv per line is slow.
struct ConverterCache {
  struct Entry {
    UINT codePage;
    bool toWide;
    iconv_t cd;
  };
  std::vector<Entry> entries;
  ~ConverterCache() {
    for (const Entry& e : entries) iconv_close(e.cd);
  }
};

iconv_t Converter(UINT codePage, bool toWide) {
  thread_local ConverterCache cache;
  for (const auto& e : cache.entries)
    if (e.codePage == codePage && e.toWide == toWide) return e.cd;
  const char* name = IconvName(codePage);
  if (!name) return reinterpret_cast<iconv_t>(-1);
  iconv_t cd = toWide ? iconv_open("UTF-16LE", name) : iconv_open(name, "UTF-16LE");
  if (cd != reinterpret_cast<iconv_t>(-1)) cache.entries.push_back({codePage, toWide, cd});
  return cd;
}

// How many bytes an invalid sequence at `in` spans: a lead byte with a byte after it that
// can trail it is one character of the double-byte code pages, only one that their tables
// leave unmapped; anything else is one byte.
size_t InvalidSpan(UINT codePage, const char* in, size_t left) {
  if ((codePage != 936 && codePage != 950) || left < 2) return 1;
  unsigned char lead = static_cast<unsigned char>(in[0]), trail = static_cast<unsigned char>(in[1]);
  if (lead < 0x81 || lead > 0xFE) return 1;
  bool trails = (trail >= 0x40 && trail <= 0x7E) ||
                (codePage == 936 ? trail >= 0x80 && trail <= 0xFE : trail >= 0xA1 && trail <= 0xFE);
  return trails ? 2 : 1;
}

// UTF-16 units as UTF-8 into out, which has room for the worst case; a lone surrogate
// becomes the default character. Returns the bytes written.
size_t EncodeUtf8(const char16_t* source, size_t length, char* out, const char* fallback, size_t fallbackLength,
                  BOOL* usedDefault) {
  char* start = out;
  for (size_t i = 0; i < length;) {
    char32_t c = source[i++];
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
      continue;
    }
    if ((c & 0xF800) == 0xD800) {
      if (c < 0xDC00 && i < length && (source[i] & 0xFC00) == 0xDC00) {
        c = 0x10000 + ((c - 0xD800) << 10) + (source[i++] - 0xDC00);
      } else {
        std::memcpy(out, fallback, fallbackLength);  // a lone surrogate: one unit, the next one stays
        out += fallbackLength;
        if (usedDefault) *usedDefault = TRUE;
        continue;
      }
    }
    if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *out++ = static_cast<char>(0xE0 | (c >> 12));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | (c >> 18));
      *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return static_cast<size_t>(out - start);
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR dest,
                        int destLength) {
  if (!source || sourceLength == 0 || destLength < 0 || (destLength > 0 && !dest)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = sourceLength < 0 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
  if (codePage == CP_UTF8 || codePage == CP_ACP) {
    // Decoded here, as iconv would (one U+FFFD per byte that starts no character): a lookup
    // converts its query, and loading a converter module costs more than the lookup's search.
    bool valid = true;
    std::u16string wide = platform::Utf16FromUtf8(std::string_view(source, length), &valid);
    if (!valid && (flags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    int units = static_cast<int>(wide.size());
    if (destLength == 0) return units;
    if (units > destLength) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(dest, wide.data(), wide.size() * 2);
    return units;
  }
  iconv_t cd = Converter(codePage, true);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  // Converts into a scratch buffer first: callers asking for the size pass no buffer.
  thread_local std::vector<char> scratch;
  scratch.resize(length * 4 + 8);
  char* in = const_cast<char*>(source);
  size_t inLeft = length;
  char* out = scratch.data();
  size_t outLeft = scratch.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno == EILSEQ || errno == EINVAL) {
      if (flags & MB_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      *out++ = static_cast<char>(0xFD);
      *out++ = static_cast<char>(0xFF);
      outLeft -= 2;
      size_t span = InvalidSpan(codePage, in, inLeft);
      in += span;
      inLeft -= span;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
  }
  int units = static_cast<int>((out - scratch.data()) / 2);
  if (destLength == 0) return units;
  if (units > destLength) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dest, scratch.data(), static_cast<size_t>(units) * 2);
  return units;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR dest,
                        int destLength, LPCSTR defaultChar, BOOL* usedDefault) {
  if (usedDefault) *usedDefault = FALSE;
  if (!source || sourceLength == 0 || destLength < 0 || (destLength > 0 && !dest)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = sourceLength < 0 ? std::char_traits<char16_t>::length(source) + 1
                                   : static_cast<size_t>(sourceLength);
  const char* fallback = defaultChar ? defaultChar : "?";
  std::string result;
  if (codePage == CP_UTF8) {
    // Written here, as iconv would: a command-line lookup prints thousands of rows. Each unit
    // takes at most three bytes (a pair four for two units) or the default character once.
    size_t fallbackLength = std::strlen(fallback);
    size_t room = length * (fallbackLength > 3 ? fallbackLength : 3);
    char* out = static_cast<size_t>(destLength) >= room ? dest : nullptr;
    if (!out) {
      result.resize(room);
      out = result.data();
    }
    size_t size = EncodeUtf8(source, length, out, fallback, fallbackLength, usedDefault);
    if (out == dest) return static_cast<int>(size);
    result.resize(size);
  } else {
    iconv_t cd = Converter(codePage, false);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buffer(length * 4 + 8);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(source));
    size_t inLeft = length * 2;
    while (true) {
      char* out = buffer.data();
      size_t outLeft = buffer.size();
      size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
      result.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
      if (r != static_cast<size_t>(-1) || inLeft == 0) break;
      if (errno == E2BIG) continue;
      // An unmappable unit (or a lone surrogate): the default character stands in.
      result += fallback;
      if (usedDefault) *usedDefault = TRUE;
      // A whole pair the code page lacks is one character; a lone surrogate is one unit, and
      // the unit after it is the next character, never swallowed.
      const char16_t* unit = reinterpret_cast<const char16_t*>(in);
      size_t skip = inLeft >= 4 && (unit[0] & 0xFC00) == 0xD800 && (unit[1] & 0xFC00) == 0xDC00 ? 4 : 2;
      in += skip;
      inLeft -= skip < inLeft ? skip : inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  if (destLength == 0) return static_cast<int>(result.size());
  if (static_cast<int>(result.size()) > destLength) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dest, result.data(), result.size());
  return static_cast<int>(result.size());
}
