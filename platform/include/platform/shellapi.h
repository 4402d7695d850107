// Shell execution: opening documents and addresses with the desktop's handler.
#pragma once

#include "platform/windef.h"

#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400
#define SEE_MASK_NOASYNC 0x00000100

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

typedef struct _SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;  // > 32 on success, an SE_ERR_ value on failure
  LPVOID lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;  // always null: the handler runs on its own
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;

// The "open" verb (or none) on a file or a web address: the desktop's handler (xdg-open)
// starts without being waited for. A file that does not exist fails with
// ERROR_FILE_NOT_FOUND and hInstApp SE_ERR_FNF; without SEE_MASK_FLAG_NO_UI the system
// message box says so. Other verbs fail with SE_ERR_NOASSOC. Recorded in a headless run.
BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW info);
