#include "installer/remote_api.h"

RemoteApi RemoteApiEntries;

int LoadRemoteApi() {
  WCHAR path[MAX_PATH];
  HMODULE library = nullptr;
  RemoteApiEntries = RemoteApi{};
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  // A system folder too long for the buffer leaves the entries empty.
  if (length > 0 && length + lstrlenW(u"\\rapi.dll") < MAX_PATH) {
    lstrcatW(path, u"\\rapi.dll");
    // Never freed: the entries point into it for the rest of the run. The only native code
    // the installer asks for; its skins are resources and never run.
    library = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_NATIVE_CODE);
  }
  if (library) {
    RemoteApiEntries.CeRapiInit = (CeRapiInitProc)GetProcAddress(library, "CeRapiInit");
    RemoteApiEntries.CeRapiInitEx = (CeRapiInitExProc)GetProcAddress(library, "CeRapiInitEx");
    RemoteApiEntries.CeRapiUninit = (CeRapiUninitProc)GetProcAddress(library, "CeRapiUninit");
    RemoteApiEntries.CeCreateFile = (CeCreateFileProc)GetProcAddress(library, "CeCreateFile");
    RemoteApiEntries.CeWriteFile = (CeWriteFileProc)GetProcAddress(library, "CeWriteFile");
    RemoteApiEntries.CeCloseHandle = (CeCloseHandleProc)GetProcAddress(library, "CeCloseHandle");
  }
  // The address as the trace's 32-bit number: non-zero says the entry is there.
  WCHAR trace[64];
  wsprintfW(trace, u"CeRapiInit = %d\n", (int)(INT_PTR)RemoteApiEntries.CeRapiInit);
  OutputDebugStringW(trace);
  return library ? 1 : 0;
}

int RemoteApiUsable() {
  const RemoteApi& api = RemoteApiEntries;
  return api.CeRapiInitEx && api.CeRapiUninit && api.CeCreateFile && api.CeWriteFile && api.CeCloseHandle;
}
