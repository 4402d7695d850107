// How common a word is, from the word-frequency list that ships beside the program
// (made at build time from the counts of jieba's segmenter dictionary, MIT licence).
// The list is read on the first question only, so a program that never asks never reads it;
// without it every word counts 0 and the callers keep their own order.
#pragma once

#include <cstddef>
#include <string>

#include "platform/windows.h"

struct DATABASE_STAMP;

#define WORD_FREQUENCY_FILE_NAME u"wordfreq.txt"
// Reading stops here: a larger file is used up to its last whole line before it.
#define WORD_FREQUENCY_READ_LIMIT (8 * 1024 * 1024)
// Longest word looked up or taken from the list, in UTF-8 bytes.
#define WORD_FREQUENCY_MAX_WORD 64

// The list's count for word (length units of UTF-16), 0 when it is not listed.
unsigned WordFrequency(const WCHAR* word, int length);

// Takes the list from this text instead of the file (tests); a null text forgets any list,
// so that the next question reads the file again.
void SetWordFrequencyText(const char* text, size_t size);

// The list's second line when the lines after it are count "word<TAB>count" lines in byte
// order, as the tool that makes the list writes them: their number and a hash of them and
// it. A list whose second line is this for the lines after it is searched as it stands;
// any other is first indexed line by line, each line checked.
std::string WordFrequencyVouch(const char* lines, size_t size, size_t count);

// Whether the list in use is searched as it stands (tests).
bool WordFrequencyVouched();

// Lines of the list in use that were taken (tests and benchmarks).
int WordFrequencyCount();

// Changes whenever another list is taken, so that counts kept elsewhere can be dropped.
int WordFrequencyGeneration();

// The stamp (table_file.h) of the list file WordFrequency reads, or would read on its first
// question, without reading it: for counts kept from it (headword_counts.h). False when there
// is none, or the list in use was given as text.
bool StampWordFrequencyList(DATABASE_STAMP* stamp);
