// Inside GetOpenFileNameW: the request as the dialogs see it, the two ways of answering it
// (the desktop's chooser, the layer's own dialog) and the path rules they share.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform::controls {

struct FileFilter {
  std::u16string description;
  std::u16string patterns;  // "*.gb" or "*.gb;*.b5"
};

struct FileRequest {
  HWND owner = nullptr;
  std::vector<FileFilter> filters;
  int filterIndex = 0;  // 0-based
  std::u16string folder;  // where the dialog starts (absolute)
  std::u16string name;    // an initial file name, may be empty
  std::u16string title;
  std::u16string defaultExtension;  // without the dot
  DWORD flags = 0;
};

enum class Outcome { Chosen, Cancelled, Unavailable };

struct Answer {
  Outcome outcome = Outcome::Cancelled;
  std::u16string path;  // absolute, when chosen
  int filterIndex = 0;
};

// The desktop's chooser (zenity, then kdialog); Unavailable when neither runs here.
Answer RunDesktopChooser(const FileRequest& request);
// The layer's own dialog: a folder list, a file list filtered by the chosen type, a name.
Answer RunBuiltInDialog(const FileRequest& request);

// Windows-style patterns separated by ';', compared without regard to case; "*.*" is
// every file, as on the platform.
bool MatchesPatterns(const std::u16string& name, const std::u16string& patterns);
// A typed name made absolute against `folder` (with ~ for the home folder), with the
// default extension added when it has none and that makes sense (see file_dialog.cpp).
std::u16string ResolveTypedName(const std::u16string& folder, const std::u16string& typed,
                                const std::u16string& defaultExtension);
bool IsFolder(const std::u16string& path);
bool IsFile(const std::u16string& path);
std::u16string ParentFolder(const std::u16string& path);

// Control ids of the built-in dialog, for scripted tests.
constexpr int kFolderListId = 1001;
constexpr int kFileListId = 1002;
constexpr int kNameEditId = 1003;

}  // namespace platform::controls
