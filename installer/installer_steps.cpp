#include "installer/installer_steps.h"

#include <string.h>

#include <new>

#include "device/shell/services.h"
#include "installer/convert_dictionary.h"
#include "installer/device_transfer.h"
#include "installer/installer_state.h"
#include "platform/commdlg.h"
#include "platform/mmsystem.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"
#include "widgets/text_button.h"

static const WCHAR Filters[] =
    u"Simplified (GB) database (*.gb)\0*.gb\0"
    u"Traditional (Big5) database (*.b5)\0*.b5\0"
    u"All Files (*.*)\0*.*\0";

static void Lowercase(WCHAR* text) {
  for (; *text; text++)
    if (*text >= u'A' && *text <= u'Z') *text = (WCHAR)(*text - u'A' + u'a');
}

void LocateDictionary() {
  PathBuffer[0] = 0;
  FileNameBuffer[0] = 0;
  OPENFILENAMEW ofn;
  memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = MainWindow;
  ofn.lpstrFilter = Filters;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = PathBuffer;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrFileTitle = FileNameBuffer;
  ofn.nMaxFileTitle = MAX_PATH;
  ofn.lpstrDefExt = u"gb";
  GetOpenFileNameW(&ofn);
  lstrcpyW(SourcePath, PathBuffer);
  Lowercase(PathBuffer);

  // The name is compared as chosen: only the path is lowercased.
  if (lstrcmpW(FileNameBuffer, u"cedict.gb") == 0 || lstrcmpW(FileNameBuffer, u"cedict.b5") == 0) {
    LocateButton->SetEnabled(0);
    ProcessButton->SetFlashing(1);
    return;
  }
  int length = lstrlenW(PathBuffer);
  if (length > 3 && lstrcmpW(PathBuffer + length - 3, u"zip") == 0) {
    Beep(5000, 100);
    ShowMessageBox(MainWindow, UNZIP_MESSAGE, 1);
  }
}

void ProcessDictionary() { ConvertDictionary(SourcePath); }

void TransferDictionary() {
  WCHAR deviceName[MAX_PATH];
  // Formed afresh on every press, so a second try names the same file.
  if (!FormDeviceFileName(FileNameBuffer, deviceName)) {
    ShowMessageBox(MainWindow, DEVICE_NAME_TOO_LONG, 1);
    return;
  }
  if (!CopyToDevice(MainWindow, ConvertedFilePath, deviceName)) return;
  TransferButton->SetEnabled(0);
  ExitButton->SetFlashing(1);
  ShowMessageBox(MainWindow, TRANSFER_COMPLETE, 1);
}

void ExitInstaller() { EndProcess(); }

// ---- the conversion's hooks

static ProgressWindow* ConversionProgress;

static void OpenConversionProgress(void*, const WCHAR* message, int maximum) {
  // Without the record the conversion runs without a progress window.
  ConversionProgress = new (std::nothrow) ProgressWindow();
  if (ConversionProgress) ConversionProgress->Open(MainWindow, message, maximum);
}

static void SetConversionProgress(void*, int position) {
  if (ConversionProgress) ConversionProgress->SetPosition(position);
}

static void CloseConversionProgress(void*) {
  if (!ConversionProgress) return;
  ConversionProgress->Close();
  delete ConversionProgress;
  ConversionProgress = nullptr;
}

static void Processed(void*) {
  ProcessButton->SetEnabled(0);
  TransferButton->SetFlashing(1);
}

// Back to the first step: the file that failed may be mended, or another one chosen.
static void ConversionFailed(void*, const WCHAR* message) {
  ShowMessageBox(MainWindow, message, 1);
  ProcessButton->SetFlashing(0);
  ProcessButton->SetEnabled(0);
  LocateButton->SetFlashing(1);
}

static const ConversionHooks WindowConversionHooks = {
    nullptr, OpenConversionProgress, SetConversionProgress, CloseConversionProgress, Processed, ConversionFailed};

void InstallConversionHooks() { SetConversionHooks(&WindowConversionHooks); }
