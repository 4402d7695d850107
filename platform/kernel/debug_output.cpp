#include <cstdio>

#include "platform/utf.h"
#include "platform/winbase.h"

void OutputDebugStringW(LPCWSTR text) {
  if (!text) return;
  std::fputs(platform::Utf8FromUtf16(text).c_str(), stderr);
  std::fflush(stderr);
}

void OutputDebugStringA(LPCSTR text) {
  if (!text) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}
