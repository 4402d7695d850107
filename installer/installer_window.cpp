#include "installer/installer_window.h"

#include <string.h>

#include "device/shell/drawing.h"
#include "installer/convert_dictionary.h"
#include "installer/installer_state.h"
#include "installer/installer_steps.h"
#include "installer/remote_api.h"
#include "installer/steps_panel.h"
#include "widgets/caption_bar.h"
#include "widgets/progress_window.h"
#include "widgets/text_button.h"
#include "widgets/window_frame.h"

HINSTANCE InstallerInstance;
HWND MainWindow;
WCHAR PathBuffer[MAX_PATH];
WCHAR SourcePath[MAX_PATH];
WCHAR FileNameBuffer[MAX_PATH];
HDC StepsPanelDc;
CaptionBar* MainCaptionBar;
TextButton* LocateButton;
TextButton* ProcessButton;
TextButton* TransferButton;
TextButton* ExitButton;

static HBITMAP StepsPanelBitmap;
static HGDIOBJ StepsPanelPrevious;

#define BANNER_X 38
#define BANNER_Y 25
#define BANNER_WIDTH 340
#define BANNER_HEIGHT 102

static void OnCreate(HWND window) {
  MainWindow = window;
  HMODULE skins = LoadLibraryW(u"dlls/tovu.dll");
  // Without the library the buttons and the caption bar draw plainly.
  RegisterTextButtonClass(skins);
  InitCaptionBar(skins);
  RegisterProgressWindowClass();
  LoadRemoteApi();
  if (skins) FreeLibrary(skins);
}

// Read afresh on every paint, so a banner put beside the program shows at once.
static void DrawBanner(HDC dc) {
  HBITMAP banner = (HBITMAP)LoadImageW(nullptr, u"graphic.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  if (!banner) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, banner);
  BitBlt(dc, BANNER_X, BANNER_Y, BANNER_WIDTH, BANNER_HEIGHT, source, 0, 0, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
  DeleteObject(banner);
}

static void OnPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  FillHatched(dc, 0, 0, INSTALLER_WIDTH, INSTALLER_HEIGHT, 1);
  DrawBanner(dc);
  if (StepsPanelDc)
    BitBlt(dc, STEPS_PANEL_X, STEPS_PANEL_Y, STEPS_PANEL_WIDTH, STEPS_PANEL_HEIGHT, StepsPanelDc, 0, 0, SRCCOPY);
  if (MainCaptionBar) MainCaptionBar->Draw(dc);
  DrawWindowFrame(window, dc);
  EndPaint(window, &ps);
}

static LRESULT CALLBACK InstallerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_MOUSEMOVE:
      if (MainCaptionBar) MainCaptionBar->MouseMove(lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (MainCaptionBar) MainCaptionBar->ButtonDown(lParam);
      return 0;
    case WM_LBUTTONUP:
      if (MainCaptionBar && MainCaptionBar->ButtonUp(lParam)) ExitInstaller();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static int RegisterInstallerClass(HINSTANCE instance) {
  WNDCLASSW wc;
  memset(&wc, 0, sizeof wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = InstallerWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(10101));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszClassName = INSTALLER_CLASS;
  // A class left by an earlier window of this process is the same class.
  return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

static void CreateStepsPanel() {
  HDC windowDc = GetDC(MainWindow);
  StepsPanelDc = CreateCompatibleDC(windowDc);
  StepsPanelBitmap = CreateCompatibleBitmap(windowDc, STEPS_PANEL_WIDTH, STEPS_PANEL_HEIGHT);
  ReleaseDC(MainWindow, windowDc);
  StepsPanelPrevious = SelectObject(StepsPanelDc, StepsPanelBitmap);
  DrawStepsPanel(StepsPanelDc, nullptr);
}

static void CreateButtons() {
  LocateButton = new TextButton(MainWindow, 75, 304, u"Locate", 12, nullptr, LocateDictionary, LOCATE_EXPLANATION, 0);
  ProcessButton =
      new TextButton(MainWindow, 75, 390, u"Process", 12, nullptr, ProcessDictionary, PROCESS_EXPLANATION, 0);
  TransferButton =
      new TextButton(MainWindow, 75, 476, u"Transfer", 12, nullptr, TransferDictionary, TRANSFER_EXPLANATION, 0);
  ExitButton = new TextButton(MainWindow, 372, 518, u"Exit", 12, nullptr, ExitInstaller, EXIT_EXPLANATION, 0);
  LocateButton->SetFlashing(1);
  ProcessButton->SetEnabled(0);
  TransferButton->SetEnabled(0);
}

int CreateInstaller(HINSTANCE instance) {
  InstallerInstance = instance;
  PathBuffer[0] = SourcePath[0] = FileNameBuffer[0] = 0;
  if (!RegisterInstallerClass(instance)) {
    MessageBoxW(nullptr, NT_REQUIRED, INSTALLER_CLASS, MB_ICONERROR);
    return 0;
  }
  CreateWindowExW(WS_EX_APPWINDOW, INSTALLER_CLASS, INSTALLER_CLASS, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0, 0, 0,
                  0, nullptr, nullptr, instance, nullptr);
  if (!MainWindow) return 0;
  InstallConversionHooks();
  MainCaptionBar = new CaptionBar(MainWindow, INSTALLER_WIDTH, 20, INSTALLER_CLASS);
  CreateStepsPanel();
  CreateButtons();

  RECT workArea;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  int x = (workArea.right - workArea.left - INSTALLER_WIDTH) / 2;
  SetWindowPos(MainWindow, nullptr, x, INSTALLER_TOP, INSTALLER_WIDTH, INSTALLER_HEIGHT, SWP_NOZORDER);
  ShowWindow(MainWindow, SW_SHOW);
  UpdateWindow(MainWindow);
  return 1;
}

int RunInstaller() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return (int)msg.wParam;
}

void DestroyInstaller() {
  TextButton** buttons[4] = {&LocateButton, &ProcessButton, &TransferButton, &ExitButton};
  for (TextButton** b : buttons) {
    delete *b;
    *b = nullptr;
  }
  delete MainCaptionBar;
  MainCaptionBar = nullptr;
  if (MainWindow && IsWindow(MainWindow)) DestroyWindow(MainWindow);
  MainWindow = nullptr;
  if (StepsPanelDc) {
    SelectObject(StepsPanelDc, StepsPanelPrevious);
    DeleteDC(StepsPanelDc);
    DeleteObject(StepsPanelBitmap);
  }
  StepsPanelDc = nullptr;
  StepsPanelBitmap = nullptr;
  SetConversionHooks(nullptr);
}

int InstallerMain(HINSTANCE instance, LPWSTR, int) {
  if (!CreateInstaller(instance)) return 0;
  int code = RunInstaller();
  DestroyInstaller();
  return code;
}
