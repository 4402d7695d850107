// The learner's word list: words kept from the dictionary, one CC-CEDICT line each
// (headword [pinyin] /definitions/), in a plain UTF-8 file of the program folder, so a
// word stays the same word across database switches and new editions of the list.
#pragma once

#include <string>

#include "platform/windows.h"

#define WORD_LIST_FILE_NAME u"vemora.words"
// The export for flashcard programs: headword, pinyin, definitions, tab-separated.
#define WORD_LIST_EXPORT_NAME u"word-list.tsv"
// Reading stops here; the line it cuts is dropped like any cut line.
#define WORD_LIST_READ_LIMIT (4 * 1024 * 1024)
#define WORD_LIST_MOST 10000

// Reads the file (at start-up). Only whole lines (ended by a line feed, a carriage return
// before it dropped) of valid UTF-8 that hold a headword with a pronunciation or
// definitions count; '#' starts a comment line; a word kept twice counts once.
void ReadWordList();
int WordCount();
// The kept line of word i (newest last); empty outside the list.
std::u16string WordAt(int i);
// The word with this headword and pronunciation, or -1.
int FindWord(const std::u16string& headword, const std::u16string& pinyin);
// The word of entry index of the loaded table, or -1.
int FindEntryWord(int entry);
// Keeps the entry (and writes the file); 1 when it is kept now.
int AddEntryWord(int entry);
// Drops word i (and writes the file); 1 when it was there.
int RemoveWord(int i);
// The export's text: one line per word, headword TAB pinyin TAB definitions ("; "
// between them); the pinyin marked when tone marks are shown.
std::string WordListTsv();
// Writes the export into the program folder; 1 on success.
int ExportWordList();
