// The handheld shell's services: the menu bar at the bottom of the screen, tap-and-hold
// recognition, and the activation and setting-change handlers.
#pragma once

#include "platform/commctrl.h"
#include "platform/windows.h"

// ---- the menu bar
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010  // nToolBarId names a menu resource: one button per pop-up

typedef struct tagSHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;  // the owner: it receives the WM_COMMAND of every choice
  DWORD dwFlags;
  UINT nToolBarId;  // the menu-bar resource (RCDATA) of hInstRes
  HINSTANCE hInstRes;
  int nBmpId;
  int cBmpImages;
  HWND hwndMB;  // out: the menu bar window
  COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

// Creates the bar over the bottom strip of the handheld screen (platform::MenuBarArea()).
// Buttons show their caption strings; button images are not drawn.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);

#define SHCMBM_SETSUBMENU (WM_USER + 400)
#define SHCMBM_GETSUBMENU (WM_USER + 401)  // lParam: button id; returns its pop-up HMENU
#define SHCMBM_GETMENU (WM_USER + 402)     // returns the whole menu

// ---- tap and hold
#ifndef WM_CONTEXTMENU
#define WM_CONTEXTMENU 0x007B
#endif

#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define SHRG_NOANIMATION 0x00000010

#define GN_CONTEXTMENU 1000

typedef struct tagSHRGI {
  DWORD cbSize;
  HWND hwndClient;
  POINT ptDown;  // client coordinates of hwndClient
  DWORD dwFlags;
} SHRGINFO, *PSHRGINFO;

// Call on a stylus-down: waits on the platform clock while the stylus stays down. Returns
// GN_CONTEXTMENU when it stays within a few pixels for the hold time, 0 when it is lifted
// or moves first (that input stays queued for the window). Without SHRG_RETURNCMD the
// gesture is also sent to hwndClient as WM_CONTEXTMENU.
DWORD SHRecognizeGesture(SHRGINFO* info);

// ---- activation and setting changes
typedef struct {
  DWORD cbSize;
  HWND hwndLastFocus;
  UINT fSipUp : 1;
  UINT fSipOnDeactivation : 1;
  UINT fActive : 1;
  UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

#define SHA_INPUTDIALOG 0x00000001

// There is no input panel here: the handlers keep the window's activation record (whether it
// is active, which child had the focus when it was deactivated) and report TRUE; FALSE for a
// missing or too small record.
BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* info, DWORD flags);
BOOL SHHandleWMSettingChange(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* info);
