// Probing screen pixels and comparing whole screens with PNG goldens under tests/golden/.
// ORLEND_UPDATE_GOLDENS=1 rewrites the goldens instead of comparing.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/surface.h"
#include "platform/windows.h"

namespace test {

// The screen pixel as a COLORREF (RGB()).
COLORREF PixelAt(int x, int y);
::testing::AssertionResult PixelIs(int x, int y, COLORREF expected);

// `name` is relative to tests/golden, for example "platform/clip_siblings.png". On a
// mismatch the actual image and a difference image (differing pixels red on a faded copy)
// are written under the build folder, and the first differing pixel is named.
::testing::AssertionResult MatchesGolden(const std::string& name);
::testing::AssertionResult MatchesGolden(const std::string& name, const platform::Surface& image);
// Where failure images go.
std::string GoldenOutputFolder();

// The size of `text` on the screen in a face (negative height = character height).
SIZE TextExtent(const char16_t* face, int height, int weight, const std::u16string& text);

}  // namespace test
