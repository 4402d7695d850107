// Where the emulated handheld's file system lives on the desktop's disk.
#pragma once

#include <string>

namespace desktop_link {

// ORLEND_HANDHELD_ROOT, else $XDG_DATA_HOME/orlend/handheld (~/.local/share/...); no trailing '/'.
std::string HandheldRoot();
// The handheld counts as connected while its root folder exists.
bool HandheldConnected();
// The handheld program's folder, relative to the root.
inline const char* ProgramFolderOnHandheld() { return "program files/orlend's chinese dictionary"; }

}  // namespace desktop_link
