// Copies the converted database to the handheld over the desktop link's remote API:
// one connection per copy, the file sent in blocks of 10240 bytes under a progress window.
#pragma once

#include "platform/windows.h"

// Relative to the handheld's root; the doubled slashes are as the device program's
// installation names its folder.
#define DEVICE_FOLDER u"program files//orlend's chinese dictionary//"
#define TRANSFER_BLOCK_SIZE 10240
#define CONNECTION_WAIT_MS 5000

#define TRANSFERING_MESSAGE u"Transfering dictionary file...."
#define TRANSFER_COMPLETE u"Installation of the dictionary file is complete."
#define DEVICE_NOT_CONNECTED \
  u"Your Pocket PC device does not appear\nto be connected to you PC via ActiveSync."
#define DEVICE_FILE_NOT_CREATED u"Error connected to your Pocket PC device."

// Our own texts, for failures the transfer would otherwise pass over.
#define REMOTE_API_MISSING \
  u"The ActiveSync remote API (rapi.dll) could not\nbe loaded, so the dictionary file cannot be\ntransferred to your Pocket PC device."
#define TRANSFER_CANNOT_READ u"The processed dictionary file could not be read."
#define TRANSFER_WRITE_FAILED \
  u"The dictionary file could not be written\ncompletely to your Pocket PC device.\nPlease try again."
#define DEVICE_NAME_TOO_LONG u"The name of the dictionary file is too long\nfor your Pocket PC device."

// What the copy asks of its caller: the progress display and the failure report. Any
// member may be null.
struct TransferHooks {
  void* context;
  void (*OpenProgress)(void* context, const WCHAR* message, int maximum);
  void (*SetProgress)(void* context, int position);
  void (*CloseProgress)(void* context);
  void (*Failed)(void* context, const WCHAR* message);
};

// DEVICE_FOLDER + fileName + ".dat" into name (MAX_PATH units); 0 when it does not fit.
int FormDeviceFileName(const WCHAR* fileName, WCHAR* name);

// 1 when the whole file reached the handheld and its file was closed; else 0, with the
// Failed hook told why. The local file and the buffer are released on every path, and
// every connection made is released again.
int CopyToDeviceWith(const WCHAR* localPath, const WCHAR* devicePath, const TransferHooks* hooks);

// The window's copy: the progress window over owner, failures in the message box.
int CopyToDevice(HWND owner, const WCHAR* localPath, const WCHAR* devicePath);
