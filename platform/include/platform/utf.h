// Conversions between the programs' UTF-16 text and the UTF-8 of Linux paths and terminals.
#pragma once

#include <string>
#include <string_view>

#include "platform/windef.h"

namespace platform {

// Invalid sequences become U+FFFD; nothing is ever dropped silently.
std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);
// A Windows-style path as a Linux path: '\' becomes '/'.
std::string NativePath(LPCWSTR path);

}  // namespace platform
