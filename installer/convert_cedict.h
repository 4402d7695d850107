// Converts CC-CEDICT's UTF-8 list (cedict_ts.u8) straight into both
// databases, cedict.gb.dat (simplified headwords) and cedict.b5.dat
// (traditional headwords), beside it: one header line, then one line per
// entry, with nothing lost to an 8-bit code page.
#pragma once

#include "platform/windows.h"
#include "installer/convert_dictionary.h"

#define CEDICT_NO_ENTRIES u"The dictionary file holds no dictionary entries."

#define CEDICT_PATH_SIZE 1024

struct CedictConversion {
  LONG entries;
  LONG skipped;  // lines that were neither comments, blank nor entries
  WCHAR simplifiedPath[CEDICT_PATH_SIZE];
  WCHAR traditionalPath[CEDICT_PATH_SIZE];
};

// 1 when path names CC-CEDICT's UTF-8 list: its name ends in ".u8" (any
// case), or its leading comment block declares "#! charset=UTF-8".
int IsCedictUtf8Source(const WCHAR* path);

// 1 on success. On failure 0: neither database is replaced, and the Failed
// hook gets the reason. result may be null.
int ConvertCedictSource(const WCHAR* path, const ConversionHooks* hooks, CedictConversion* result);
