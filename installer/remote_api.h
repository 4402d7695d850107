// The desktop link's remote API, loaded at run time from the system folder and
// resolved entry by entry; an entry that is missing stays null and is never called.
#pragma once

#include "desktop-link/rapi_types.h"
#include "platform/windows.h"

struct RemoteApi {
  CeRapiInitProc CeRapiInit;  // only reported in the debug trace
  CeRapiInitExProc CeRapiInitEx;
  CeRapiUninitProc CeRapiUninit;
  CeCreateFileProc CeCreateFile;
  CeWriteFileProc CeWriteFile;
  CeCloseHandleProc CeCloseHandle;
};

extern RemoteApi RemoteApiEntries;

// System folder + "\rapi.dll": loads it (kept for the program's life), resolves the six
// entries by name and writes "CeRapiInit = %d\n" to the debugger output. Returns 1 when
// the library loaded.
int LoadRemoteApi();

// 1 when every entry a transfer calls is there.
int RemoteApiUsable();
