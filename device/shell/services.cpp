#include "device/shell/services.h"

#include <cstdlib>

#include "device/shell/program_folder.h"
#include "platform/mmsystem.h"
#include "platform/platform.h"
#include "platform/shellapi.h"

void OpenHelpPage(HWND owner, const WCHAR* relativeName) {
  WCHAR path[MAX_PATH];
  if (!relativeName || !ProgramFolderPath(relativeName, path)) return;
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
  if (!ProgramFolderPath(name, path)) return 0;
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
