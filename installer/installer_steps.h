// The four steps' button actions and what moves the installer from one step to the next.
#pragma once

#include "platform/windows.h"

#define LOCATE_EXPLANATION u"Click to locate the dictionary file."
#define PROCESS_EXPLANATION u"Click to process the dictionary file."
#define TRANSFER_EXPLANATION u"Click to install the dictionary file."
#define EXIT_EXPLANATION u"Click to close this application."

#define UNZIP_MESSAGE                                                                  \
  u"The dictionary file first needs to be unzipped\nbefore it can be processed and " \
  u"transfered\nto your Pocket PC device."

void LocateDictionary();
void ProcessDictionary();
void TransferDictionary();
[[noreturn]] void ExitInstaller();

// The conversion's ties to the window: the progress window and the step buttons.
void InstallConversionHooks();
