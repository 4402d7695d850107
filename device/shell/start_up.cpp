#include "device/shell/start_up.h"

#include "device/shell/main_window.h"
#include "device/shell/options.h"
#include "device/shell/program_folder.h"
#include "device/shell/settings.h"
#include "device/shell/shared_screen.h"
#include "resource_ids.h"
#include "widgets/combo_box.h"

namespace {
WCHAR g_title[101];
WCHAR g_className[101];
int g_exitCode = 0;  // what a refused start ends with
}  // namespace

BOOL InitInstance(HINSTANCE instance, int show) {
  Instance = instance;
  LoadStringW(instance, IDS_TITLE, g_title, 101);
  LoadStringW(instance, IDS_CLASS_NAME, g_className, 101);

  if (HWND running = FindWindowW(g_className, g_title)) {
    // Its owned pop-ups (an open message box) come along: the handle's lowest bit says so.
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(running) | 1));
    return FALSE;
  }

  if (!ProgramFolder()[0]) InitProgramFolder();  // a folder set beforehand (tests) stays
  if (!ProgramFolderFits()) {
    // Nothing of the program's could be opened there: say why rather than "not found".
    MessageBoxW(nullptr,
                u"The path of the program's folder is too long: its files can not be opened.\n\n"
                u"Please move the program to a folder with a shorter path.",
                g_title, MB_OK | MB_ICONHAND);
    g_exitCode = 2;
    return FALSE;
  }
  ReadOptions();
  ReadSettings();

  WNDCLASSW wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = g_className;
  RegisterClassW(&wc);

  HWND window = CreateWindowExW(0, g_className, g_title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  if (!window) return FALSE;

  if (MenuBar) {
    RECT r, bar;
    GetWindowRect(window, &r);
    GetWindowRect(MenuBar, &bar);
    MoveWindow(window, r.left, r.top, r.right - r.left, (r.bottom - r.top) - (bar.bottom - bar.top), FALSE);
  }
  ShowWindow(window, show);
  UpdateWindow(window);
  SearchBox->Focus();
  EnableCopyCommands(0);
  return TRUE;
}

int DictionaryMain(HINSTANCE instance, LPWSTR, int show) {
  g_exitCode = 0;
  if (!InitInstance(instance, show)) return g_exitCode;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
