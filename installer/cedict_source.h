// CC-CEDICT's own format (UTF-8, LF, "TRAD SIMP [pin1 yin1] /def/def/") and
// how one of its lines becomes a line of the classic one-headword lists.
// Shared by the installer's conversion and the cedict-derive tool.
#pragma once

#include "platform/windows.h"

#define CEDICT_SIMPLIFIED 1
#define CEDICT_TRADITIONAL 2

// One data line's parts, pointing into the line.
struct CedictEntry {
  const WCHAR* traditional;
  int traditionalLength;
  const WCHAR* simplified;
  int simplifiedLength;
  const WCHAR* rest;  // "[pin1 yin1] /def/def/"
  int restLength;
};

// 1 for a data line: two headwords, each followed by one space, then a
// bracketed pronunciation, a space and definitions ending in '/'. Trailing
// blanks are ignored. 0 for comments, empty lines and anything else.
int ParseCedictLine(const WCHAR* line, int length, CedictEntry* entry);

// Writes "headword [pin1 yin1] /def/def/" for the variant into out. In cross
// references written A|B (traditional|simplified) only B stays for the
// Simplified list and only A for the Traditional one. Returns the number of
// units written (never more than the line's length), or -1 when out is too small.
int FormatCedictEntry(const CedictEntry* entry, int variant, WCHAR* out, int capacity);

// What the source's leading comment block tells about it.
struct CedictHeader {
  WCHAR date[32];      // "2019-05-27", empty when the source gives none
  WCHAR license[128];  // the license address, empty when none
};

// Picks the date and license out of a comment line ("#! date=...", "#! license=...").
void ReadCedictHeaderLine(const WCHAR* line, int length, CedictHeader* header);

// The one comment line that heads a derived list: the source's date, the
// license and the credit to CC-CEDICT. ASCII only. Returns its length, or -1
// when out is too small (256 units are always enough).
int FormatCedictHeader(const CedictHeader* header, int variant, WCHAR* out, int capacity);

// 1 when the first bytes of a file (its leading comment block) declare
// CC-CEDICT's UTF-8 form ("#! charset=UTF-8").
int LooksLikeCedictUtf8(const BYTE* bytes, DWORD count);
