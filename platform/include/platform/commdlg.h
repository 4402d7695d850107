// The open-file dialog. On the desktop it is the desktop's own chooser when one is installed
// (zenity or kdialog), otherwise a dialog drawn by the layer; headless runs never start an
// outside program and can be given their answers in advance.
#pragma once

#include "platform/windows.h"

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;  // pairs of description and pattern(s) ("*.gb;*.b5"), ending with an empty string
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;  // 1-based; 0 means the first pair
  LPWSTR lpstrFile;    // in: an initial name (may be empty); out: the full path
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;  // out: the name without its folder
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;  // added (with its dot) to a typed name that has no extension
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;
typedef OPENFILENAMEW OPENFILENAME;
typedef LPOPENFILENAMEW LPOPENFILENAME;

#define OFN_READONLY 0x00000001
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000

#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define FNERR_BUFFERTOOSMALL 0x3003

// Returns TRUE with the chosen path in lpstrFile (and its name in lpstrFileTitle). FALSE when
// cancelled (both buffers then hold empty strings and CommDlgExtendedError() is 0) or on an
// error (FNERR_BUFFERTOOSMALL: the first unit of lpstrFile holds the length needed).
BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn);
#define GetOpenFileName GetOpenFileNameW
DWORD CommDlgExtendedError();

namespace platform::headless {

// Answers for the next GetOpenFileNameW calls, in order, instead of a dialog: a path (taken
// as typed into the dialog) or a cancel.
void SetNextOpenFileName(const WCHAR* path);
void CancelNextOpenFileName();
void ClearOpenFileNameAnswers();

}  // namespace platform::headless
