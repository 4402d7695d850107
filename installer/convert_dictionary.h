// Turns a downloaded word list (cedict.gb in GB, cedict.b5 in Big5, 8-bit
// text) into the UTF-16 dictionary database beside it, named source + ".dat".
#pragma once

#include "platform/windows.h"

// What the conversion asks of the installer's window: the progress window and
// the step buttons. Any member may be null; with all of them null the
// conversion runs by itself and writes the same file.
struct ConversionHooks {
  void* context;
  void (*OpenProgress)(void* context, const WCHAR* message, int maximum);
  void (*SetProgress)(void* context, int position);
  void (*CloseProgress)(void* context);
  // After a conversion that succeeded: Process disabled, Transfer enabled and flashing.
  void (*Processed)(void* context);
  // After one that failed, with the text for the user; the steps stay as they were.
  void (*Failed)(void* context, const WCHAR* message);
};

#define CONVERTING_MESSAGE u"Converting Dictionary File...."

// Failure texts.
#define CONVERT_PATH_TOO_LONG u"The path of the dictionary file is too long."
#define CONVERT_CANNOT_OPEN u"The dictionary file could not be opened."
#define CONVERT_CANNOT_READ u"The dictionary file could not be read."
#define CONVERT_EMPTY u"The dictionary file is empty."
#define CONVERT_TOO_LARGE u"The dictionary file is too large."
#define CONVERT_CANNOT_WRITE u"The processed dictionary file could not be written."
#define CONVERT_OUT_OF_MEMORY u"There is not enough memory to process the dictionary file."

// The converted file's full path, read by the transfer step.
extern WCHAR ConvertedFilePath[MAX_PATH];

// The hooks ConvertDictionary uses; null for none. The pointer is kept.
void SetConversionHooks(const ConversionHooks* hooks);

// path: the installer's path buffer of MAX_PATH units. The code page is 950
// when the path's last character is '5', else 936. On success the buffer and
// ConvertedFilePath hold the path + ".dat" and the result is 1. On failure the
// result is 0, the buffer, ConvertedFilePath and any older .dat file stay as
// they were, and the Failed hook gets the reason.
int ConvertDictionary(WCHAR* path);
int ConvertDictionaryWith(WCHAR* path, const ConversionHooks* hooks);

// The code page ConvertDictionary reads path with.
UINT ConversionCodePage(const WCHAR* path);
