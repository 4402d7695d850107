#include "device/shell/services.h"

#include <cstdlib>

#include "device/shell/program_folder.h"
#include "platform/mmsystem.h"
#include "platform/platform.h"
#include "platform/shellapi.h"

namespace {

// Program folder + name in a MAX_PATH buffer; false when it does not fit, since a cut path
// would name another file.
bool ComposePath(const WCHAR* name, WCHAR* path) {
  const WCHAR* folder = ProgramFolder();
  int folderLength = lstrlenW(folder);
  int nameLength = lstrlenW(name);
  if (folderLength + nameLength >= MAX_PATH) return false;
  lstrcpyW(path, folder);
  lstrcatW(path, name);
  return true;
}

}  // namespace

void OpenHelpPage(HWND owner, const WCHAR* relativeName) {
  WCHAR path[MAX_PATH];
  if (!relativeName || !ComposePath(relativeName, path)) return;
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpVerb = u"open";
  info.lpFile = path;
  ShellExecuteExW(&info);
}

int PlayUiSound(int number) {
  WCHAR name[32];
  WCHAR path[MAX_PATH];
  wsprintfW(name, u"res/%d.wav", number);
  if (!ComposePath(name, path)) return 0;
  return PlaySoundW(path, nullptr, SND_ASYNC);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Taken here it would be lost and the program would never end.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  Sleep(0);
}

void EndProcess() {
  platform::FinishRun();
  TerminateProcess(GetCurrentProcess(), 0);
  std::_Exit(0);
}
