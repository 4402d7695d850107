// GetOpenFileNameW: reads the request, asks a scripted answer, the desktop's chooser or the
// built-in dialog, and fills the caller's buffers. The current folder is never changed, so
// a program that finds its files by relative names keeps finding them.
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fnmatch.h>
#include <optional>
#include <system_error>

#include "controls/file_dialog.h"
#include "platform/commdlg.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace platform::controls {

namespace {

// Filters beyond this many units are taken as unterminated.
constexpr size_t kFilterLimit = 32768;

DWORD& LastError() {
  static DWORD error = 0;
  return error;
}

std::deque<std::optional<std::u16string>>& ScriptedAnswers() {
  static std::deque<std::optional<std::u16string>> answers;
  return answers;
}

std::vector<FileFilter> ReadFilters(LPCWSTR list) {
  std::vector<FileFilter> filters;
  if (!list) return filters;
  size_t at = 0;
  auto next = [&](std::u16string& out) {
    out.clear();
    while (at < kFilterLimit && list[at]) out += list[at++];
    ++at;
    return !out.empty();
  };
  FileFilter f;
  while (at < kFilterLimit && next(f.description)) {
    if (!next(f.patterns)) f.patterns = u"*";
    filters.push_back(f);
  }
  return filters;
}

std::u16string CurrentFolder() {
  std::error_code ec;
  auto cwd = std::filesystem::current_path(ec);
  return ec ? std::u16string(u"/") : Utf16FromNativePath(cwd.string());
}

std::u16string Terminated(LPCWSTR text, DWORD limit) {
  std::u16string s;
  for (DWORD i = 0; text && i < limit && text[i]; ++i) s += text[i];
  return s;
}

void ClearBuffers(LPOPENFILENAMEW ofn) {
  if (ofn->lpstrFile && ofn->nMaxFile) ofn->lpstrFile[0] = 0;
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle) ofn->lpstrFileTitle[0] = 0;
}

BOOL Fill(LPOPENFILENAMEW ofn, const Answer& answer) {
  const std::u16string& path = answer.path;
  size_t slash = path.find_last_of(u'/');
  std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  bool titleFits = !ofn->lpstrFileTitle || ofn->nMaxFileTitle == 0 || name.size() < ofn->nMaxFileTitle;
  if (path.size() >= ofn->nMaxFile || !titleFits) {
    ClearBuffers(ofn);
    // The size needed goes in the first unit, as the platform reports it.
    if (path.size() >= ofn->nMaxFile && ofn->nMaxFile >= 1)
      ofn->lpstrFile[0] = static_cast<WCHAR>(std::min<size_t>(path.size() + 1, 0xFFFF));
    LastError() = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::copy(path.begin(), path.end(), ofn->lpstrFile);
  ofn->lpstrFile[path.size()] = 0;
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle) {
    std::copy(name.begin(), name.end(), ofn->lpstrFileTitle);
    ofn->lpstrFileTitle[name.size()] = 0;
  }
  size_t offset = slash == std::u16string::npos ? 0 : slash + 1;
  ofn->nFileOffset = static_cast<WORD>(std::min<size_t>(offset, 0xFFFF));
  size_t dot = name.find_last_of(u'.');
  if (dot == std::u16string::npos) ofn->nFileExtension = static_cast<WORD>(std::min<size_t>(path.size(), 0xFFFF));
  else if (dot + 1 == name.size()) ofn->nFileExtension = 0;
  else ofn->nFileExtension = static_cast<WORD>(std::min<size_t>(offset + dot + 1, 0xFFFF));
  ofn->nFilterIndex = static_cast<DWORD>(answer.filterIndex + 1);
  LastError() = 0;
  return TRUE;
}

}  // namespace

bool MatchesPatterns(const std::u16string& name, const std::u16string& patterns) {
  std::string file = Utf8FromUtf16(name);
  size_t at = 0;
  while (at <= patterns.size()) {
    size_t end = patterns.find(u';', at);
    if (end == std::u16string::npos) end = patterns.size();
    std::u16string p = patterns.substr(at, end - at);
    while (!p.empty() && p.front() == u' ') p.erase(0, 1);
    while (!p.empty() && p.back() == u' ') p.pop_back();
    if (p == u"*.*" || p == u"*") return true;
    if (!p.empty() && fnmatch(Utf8FromUtf16(p).c_str(), file.c_str(), FNM_CASEFOLD) == 0) return true;
    at = end + 1;
  }
  return false;
}

bool IsFolder(const std::u16string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(Utf8FromUtf16(path), ec);
}

bool IsFile(const std::u16string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(Utf8FromUtf16(path), ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::u16string ParentFolder(const std::u16string& path) {
  size_t slash = path.find_last_of(u'/');
  if (slash == std::u16string::npos || slash == 0) return u"/";
  return path.substr(0, slash);
}

std::u16string ResolveTypedName(const std::u16string& folder, const std::u16string& typed,
                                const std::u16string& defaultExtension) {
  std::u16string path = typed;
  if (path.size() >= 1 && path[0] == u'~' && (path.size() == 1 || path[1] == u'/')) {
    const char* home = std::getenv("HOME");
    path = Utf16FromNativePath(home ? home : "/") + path.substr(1);
  } else if (path.empty() || path[0] != u'/') {
    path = folder + (folder.size() && folder.back() == u'/' ? u"" : u"/") + path;
  }
  std::string normal = std::filesystem::path(Utf8FromUtf16(path)).lexically_normal().string();
  if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  path = Utf16FromNativePath(normal);
  if (IsFolder(path) || defaultExtension.empty()) return path;
  // A name without an extension takes the default one, unless only the bare name exists.
  size_t slash = path.find_last_of(u'/');
  std::u16string name = path.substr(slash + 1);
  if (name.find(u'.') != std::u16string::npos) return path;
  std::u16string withExtension = path + u"." + defaultExtension;
  if (IsFile(path) && !IsFile(withExtension)) return path;
  return withExtension;
}

}  // namespace platform::controls

using namespace platform;
using namespace platform::controls;

namespace platform::headless {

void SetNextOpenFileName(const WCHAR* path) { ScriptedAnswers().push_back(std::u16string(path ? path : u"")); }
void CancelNextOpenFileName() { ScriptedAnswers().push_back(std::nullopt); }
void ClearOpenFileNameAnswers() { ScriptedAnswers().clear(); }

}  // namespace platform::headless

DWORD CommDlgExtendedError() { return LastError(); }

BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn) {
  if (!ofn || ofn->lStructSize < offsetof(OPENFILENAMEW, pvReserved)) {
    LastError() = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
    LastError() = CDERR_INITIALIZATION;
    return FALSE;
  }
  FileRequest request;
  request.owner = ofn->hwndOwner;
  request.filters = ReadFilters(ofn->lpstrFilter);
  if (request.filters.empty()) request.filters.push_back(FileFilter{u"All Files (*.*)", u"*.*"});
  request.filterIndex = ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= request.filters.size()
                            ? static_cast<int>(ofn->nFilterIndex) - 1
                            : 0;
  request.title = ofn->lpstrTitle && *ofn->lpstrTitle ? ofn->lpstrTitle : u"Open";
  request.defaultExtension = Terminated(ofn->lpstrDefExt, 16);
  while (!request.defaultExtension.empty() && request.defaultExtension[0] == u'.') request.defaultExtension.erase(0, 1);
  request.flags = ofn->Flags;
  std::u16string initial = Terminated(ofn->lpstrFile, ofn->nMaxFile);
  std::u16string folder = ofn->lpstrInitialDir && *ofn->lpstrInitialDir
                              ? ResolveTypedName(CurrentFolder(), ofn->lpstrInitialDir, u"")
                              : CurrentFolder();
  if (!initial.empty()) {
    std::u16string full = ResolveTypedName(folder, initial, u"");
    if (IsFolder(full)) {
      folder = full;
    } else {
      folder = ParentFolder(full);
      request.name = full.substr(full.find_last_of(u'/') + 1);
    }
  }
  request.folder = IsFolder(folder) ? folder : CurrentFolder();

  Answer answer;
  auto& scripted = ScriptedAnswers();
  if (!scripted.empty()) {
    std::optional<std::u16string> next = scripted.front();
    scripted.pop_front();
    if (next) {
      answer.outcome = Outcome::Chosen;
      answer.path = ResolveTypedName(request.folder, *next, request.defaultExtension);
      answer.filterIndex = request.filterIndex;
    }
  } else if (headless::Active()) {
    // Never an outside program in a headless run: the built-in dialog, driven by the script.
    answer = RunBuiltInDialog(request);
  } else {
    const char* choice = std::getenv("ORLEND_FILE_DIALOG");
    bool builtIn = choice && std::string(choice) == "builtin";
    answer = builtIn ? Answer{Outcome::Unavailable, u"", 0} : RunDesktopChooser(request);
    if (answer.outcome == Outcome::Unavailable) answer = RunBuiltInDialog(request);
  }
  if (answer.outcome != Outcome::Chosen || answer.path.empty()) {
    ClearBuffers(ofn);
    LastError() = 0;
    return FALSE;
  }
  return Fill(ofn, answer);
}
