// Conversions between the programs' UTF-16 text and the UTF-8 of Linux paths and terminals.
#pragma once

#include <string>
#include <string_view>

#include "platform/windef.h"

namespace platform {

// Invalid sequences become U+FFFD; nothing is ever dropped silently.
std::string Utf8FromUtf16(std::u16string_view text);
std::u16string Utf16FromUtf8(std::string_view text);
// The same; *valid tells whether every byte was part of a character (none was replaced).
std::u16string Utf16FromUtf8(std::string_view text, bool* valid);
// A Linux path as UTF-16 without loss: paths are bytes, and a byte that is no UTF-8 becomes
// one unit of U+DC80 to U+DCFF, which NativePath turns back into that byte.
std::u16string Utf16FromNativePath(std::string_view path);
// A Windows-style path as a Linux path: '\' becomes '/'.
std::string NativePath(LPCWSTR path);

}  // namespace platform
