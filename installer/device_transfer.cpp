#include "installer/device_transfer.h"

#include <stdlib.h>
#include <string.h>

#include <new>

#include "installer/remote_api.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"

int FormDeviceFileName(const WCHAR* fileName, WCHAR* name) {
  if (lstrlenW(DEVICE_FOLDER) + lstrlenW(fileName) + 4 >= MAX_PATH) {
    name[0] = 0;
    return 0;
  }
  lstrcpyW(name, DEVICE_FOLDER);
  lstrcatW(name, fileName);
  lstrcatW(name, u".dat");
  return 1;
}

static void Report(const TransferHooks* hooks, const WCHAR* message) {
  if (hooks && hooks->Failed) hooks->Failed(hooks->context, message);
}

// The whole local file in one heap block; null (and a report) when it cannot be read.
static BYTE* ReadLocalFile(const WCHAR* localPath, DWORD* size, const TransferHooks* hooks) {
  HANDLE local = CreateFileW(localPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (local == INVALID_HANDLE_VALUE) {
    Report(hooks, TRANSFER_CANNOT_READ);
    return nullptr;
  }
  DWORD high = 0;
  DWORD length = GetFileSize(local, &high);
  BYTE* buffer = nullptr;
  int ok = high == 0 && length != INVALID_FILE_SIZE;
  if (ok) {
    buffer = (BYTE*)malloc(length > 0 ? length : 1);
    ok = buffer != nullptr;
  }
  DWORD done = 0;
  while (ok && done < length) {
    DWORD got = 0;
    if (!ReadFile(local, buffer + done, length - done, &got, nullptr) || got == 0) ok = 0;
    done += got;
  }
  CloseHandle(local);
  if (!ok) {
    free(buffer);
    Report(hooks, TRANSFER_CANNOT_READ);
    return nullptr;
  }
  *size = length;
  return buffer;
}

// The connection is up when the call does not fail and its event comes within the wait.
static int Connect(const RemoteApi& api) {
  RAPIINIT record;
  memset(&record, 0, sizeof record);
  record.cbSize = sizeof record;
  if (api.CeRapiInitEx(&record) == E_FAIL) return 0;
  return WaitForSingleObject(record.heRapiInit, CONNECTION_WAIT_MS) == WAIT_OBJECT_0;
}

static int WriteBlock(const RemoteApi& api, HANDLE file, const BYTE* bytes, DWORD count) {
  DWORD written = 0;
  return api.CeWriteFile(file, bytes, count, &written, nullptr) && written == count;
}

int CopyToDeviceWith(const WCHAR* localPath, const WCHAR* devicePath, const TransferHooks* hooks) {
  const RemoteApi api = RemoteApiEntries;
  if (!RemoteApiUsable()) {
    Report(hooks, REMOTE_API_MISSING);
    return 0;
  }
  DWORD size = 0;
  BYTE* buffer = ReadLocalFile(localPath, &size, hooks);
  if (!buffer) return 0;

  if (!Connect(api)) {
    api.CeRapiUninit();
    free(buffer);
    Report(hooks, DEVICE_NOT_CONNECTED);
    return 0;
  }
  HANDLE file = api.CeCreateFile(devicePath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    api.CeRapiUninit();
    free(buffer);
    Report(hooks, DEVICE_FILE_NOT_CREATED);
    return 0;
  }

  DWORD blocks = size / TRANSFER_BLOCK_SIZE;
  if (hooks && hooks->OpenProgress) hooks->OpenProgress(hooks->context, TRANSFERING_MESSAGE, 100);
  // A failed write ends the copy: the rest could only land at the wrong place.
  int written = 1;
  for (DWORD i = 0; i < blocks && written; i++) {
    written = WriteBlock(api, file, buffer + (size_t)i * TRANSFER_BLOCK_SIZE, TRANSFER_BLOCK_SIZE);
    // Every update costs the progress window 10 ms: every second block is enough.
    if (written && i % 2 == 0 && hooks && hooks->SetProgress)
      hooks->SetProgress(hooks->context, (int)((LONGLONG)i * 100 / blocks));
  }
  if (written) {
    DWORD rest = size - blocks * TRANSFER_BLOCK_SIZE;
    written = WriteBlock(api, file, buffer + (size_t)blocks * TRANSFER_BLOCK_SIZE, rest);
  }
  if (hooks && hooks->CloseProgress) hooks->CloseProgress(hooks->context);
  int closed = api.CeCloseHandle(file) ? 1 : 0;
  api.CeRapiUninit();
  free(buffer);
  if (!written || !closed) {
    Report(hooks, TRANSFER_WRITE_FAILED);
    return 0;
  }
  return 1;
}

// ---- in the installer's window

struct WindowTransfer {
  HWND owner;
  ProgressWindow* progress;
};

static void OpenPanel(void* context, const WCHAR* message, int maximum) {
  WindowTransfer* t = (WindowTransfer*)context;
  // Without the record the copy runs without a progress window.
  t->progress = new (std::nothrow) ProgressWindow();
  if (t->progress) t->progress->Open(t->owner, message, maximum);
}

static void SetPanel(void* context, int position) {
  WindowTransfer* t = (WindowTransfer*)context;
  if (t->progress) t->progress->SetPosition(position);
}

static void ClosePanel(void* context) {
  WindowTransfer* t = (WindowTransfer*)context;
  if (!t->progress) return;
  t->progress->Close();
  delete t->progress;
  t->progress = nullptr;
}

static void ShowFailure(void* context, const WCHAR* message) {
  ShowMessageBox(((WindowTransfer*)context)->owner, message, 1);
}

int CopyToDevice(HWND owner, const WCHAR* localPath, const WCHAR* devicePath) {
  WindowTransfer transfer = {owner, nullptr};
  TransferHooks hooks = {&transfer, OpenPanel, SetPanel, ClosePanel, ShowFailure};
  int result = CopyToDeviceWith(localPath, devicePath, &hooks);
  ClosePanel(&transfer);
  return result;
}
