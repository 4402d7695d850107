// PNG files of surfaces: snapshots of the screen and the tests' golden images.
#pragma once

#include <string>

#include "platform/surface.h"

namespace platform {

// 8-bit RGB, no alpha. The file is written to a temporary name and renamed over the target,
// so a failed write leaves an earlier file whole. False with a message on failure.
bool WritePng(const Surface& surface, const std::string& path, std::string* error);
// Reads any PNG libpng understands (palette, grey, 16-bit and alpha are converted; alpha is
// dropped). False with a message for a missing, bad or truncated file.
bool ReadPng(const std::string& path, Surface* surface, std::string* error);

}  // namespace platform
