// Resource access: FindResourceW and friends, strings, bitmaps and icons.
// A null instance means the running program for FindResourceW and LoadStringW, and the
// system's own images for LoadBitmapW and LoadIconW (which the layer does not have: null).
#pragma once

#include "platform/windef.h"

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// Copies string `id` (at most size - 1 units, terminated); returns its length, 0 when missing.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
// An icon group of the module; the handle names it (the layer draws no icons of its own).
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
