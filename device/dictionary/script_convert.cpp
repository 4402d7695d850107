#include "device/dictionary/script_convert.h"

#include <dlfcn.h>

#include <cstddef>
#include <string>

// OpenCC's C interface, taken from the shared object by name. Only the system's library search
// is asked (a bare soname), never the working folder.
typedef void* OpenccHandle;
typedef OpenccHandle (*OpenccOpen)(const char* config);
typedef char* (*OpenccConvert)(OpenccHandle handle, const char* input, size_t length);
typedef void (*OpenccFree)(char* text);

namespace {

struct Converter {
  bool tried = false;
  OpenccHandle handle = nullptr;
};

void* Library;
OpenccOpen Open;
OpenccConvert Convert;
OpenccFree Free;
Converter Converters[2];

bool OpenLibrary()
{
  static bool tried = false;
  if (tried) return Convert != nullptr;
  tried = true;
  for (const char* name : {"libopencc.so.1.1", "libopencc.so.1", "libopencc.so"}) {
    Library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (Library) break;
  }
  if (!Library) return false;
  Open = reinterpret_cast<OpenccOpen>(dlsym(Library, "opencc_open"));
  Convert = reinterpret_cast<OpenccConvert>(dlsym(Library, "opencc_convert_utf8"));
  Free = reinterpret_cast<OpenccFree>(dlsym(Library, "opencc_convert_utf8_free"));
  if (!Open || !Convert || !Free) Convert = nullptr;
  return Convert != nullptr;
}

OpenccHandle ConverterFor(int direction)
{
  if (direction != SCRIPT_TO_TRADITIONAL && direction != SCRIPT_TO_SIMPLIFIED) return nullptr;
  Converter& converter = Converters[direction];
  if (!converter.tried) {
    converter.tried = true;
    if (OpenLibrary()) {
      // OpenCC's phrase tables first, then its characters: 头发 becomes 頭髮, not 頭發.
      OpenccHandle handle = Open(direction == SCRIPT_TO_TRADITIONAL ? "s2t.json" : "t2s.json");
      if (handle != reinterpret_cast<OpenccHandle>(-1)) converter.handle = handle;
    }
  }
  return converter.handle;
}

}  // namespace

int ScriptConversionAvailable(int direction) { return ConverterFor(direction) != nullptr; }

int ConvertScript(const WCHAR* text, int length, int direction, WCHAR* out, int outSize)
{
  if (!text || length < 0 || !out || outSize <= 0) return -1;
  OpenccHandle handle = ConverterFor(direction);
  if (!handle) return -1;
  if (length == 0) {
    out[0] = 0;
    return 0;
  }
  // A lone surrogate is no Chinese to convert (it would come back changed).
  for (int i = 0; i < length; ++i) {
    bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF, low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    if (low) return -1;
    if (high && (i + 1 == length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)) return -1;
    if (high) ++i;
  }
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return -1;
  std::string utf8(bytes, '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], bytes, nullptr, nullptr) != bytes) return -1;
  char* converted = Convert(handle, utf8.data(), utf8.size());
  if (!converted) return -1;
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, converted, -1, nullptr, 0);
  int result = -1;
  if (units > 0 && units <= outSize && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, converted, -1, out, outSize) == units)
    result = units - 1;
  Free(converted);
  return result;
}
