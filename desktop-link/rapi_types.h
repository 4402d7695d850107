// The remote API as its callers see it: the connection record and the entries the
// installer resolves by name.
#pragma once

#include "platform/windows.h"

typedef struct _RAPIINIT {
  DWORD cbSize;
  HANDLE heRapiInit;
  HRESULT hrRapiInit;
} RAPIINIT;

typedef HRESULT (*CeRapiInitProc)();
typedef HRESULT (*CeRapiInitExProc)(RAPIINIT* init);
typedef HRESULT (*CeRapiUninitProc)();
typedef HANDLE (*CeCreateFileProc)(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD creation, DWORD flags, HANDLE templateFile);
typedef BOOL (*CeWriteFileProc)(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                                LPOVERLAPPED overlapped);
typedef BOOL (*CeCloseHandleProc)(HANDLE object);
