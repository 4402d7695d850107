// ShellExecuteExW: documents and addresses open in the desktop's own handler.
#include <string>

#include <sys/stat.h>

#include "platform/shellapi.h"
#include "platform/utf.h"
#include "user/window_system.h"

namespace platform {

namespace {

bool IsAddress(const std::u16string& file) {
  for (const char16_t* scheme : {u"http://", u"https://", u"mailto:", u"file://"})
    if (file.rfind(scheme, 0) == 0) return true;
  return false;
}

bool IsOpenVerb(LPCWSTR verb) {
  if (!verb || !*verb) return true;
  return UpperName(verb) == u"OPEN";
}

BOOL Fail(LPSHELLEXECUTEINFOW info, DWORD error, int code, bool showUi, const std::u16string& file) {
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(code));
  if (showUi) {
    std::u16string text = u"Cannot open \"" + file + u"\". Make sure the name is right.";
    MessageBoxW(info->hwnd, text.c_str(), u"Error", MB_OK | MB_ICONERROR);
  }
  SetLastError(error);
  return FALSE;
}

}  // namespace
}  // namespace platform

using namespace platform;

BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW info) {
  EnsureStarted();
  if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOW) || !info->lpFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hProcess = nullptr;
  std::u16string file = info->lpFile;
  headless::Record record;
  record.call = "ShellExecuteEx";
  record.text = file;
  record.detail = info->lpVerb ? info->lpVerb : u"";
  record.flags = info->fMask;
  record.owner = info->hwnd;
  S().backend->Note(record);

  bool showUi = !(info->fMask & SEE_MASK_FLAG_NO_UI);
  if (!IsOpenVerb(info->lpVerb)) return Fail(info, ERROR_INVALID_PARAMETER, SE_ERR_NOASSOC, showUi, file);
  std::string target;
  if (IsAddress(file)) {
    target = Utf8FromUtf16(file);
  } else {
    target = NativePath(file.c_str());
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) return Fail(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF, showUi, file);
  }
  if (!S().backend->OpenDocument(target)) return Fail(info, ERROR_FILE_NOT_FOUND, SE_ERR_NOASSOC, showUi, file);
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
