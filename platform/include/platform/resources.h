// Resources: the program's own (compiled from its .rc file and embedded in the
// executable) and those of resource-only libraries loaded with LoadLibraryW.
#pragma once

#include <cstddef>

namespace platform {

// Made once, by the generated source of an executable's compiled .res file
// (cmake: orlend_program_resources); GetModuleHandleW(nullptr) then serves them.
class ProgramResources {
 public:
  ProgramResources(const unsigned char* data, size_t size);
};

}  // namespace platform
