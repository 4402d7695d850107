// How common a word is, from the word-frequency list that ships beside the program
// (made at build time from the counts of jieba's segmenter dictionary, MIT licence).
// The list is read on the first question only, so a program that never asks never reads it;
// without it every word counts 0 and the callers keep their own order.
#pragma once

#include <cstddef>

#include "platform/windows.h"

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

// Lines of the list in use that were taken (tests and benchmarks).
int WordFrequencyCount();

// Changes whenever another list is taken, so that counts kept elsewhere can be dropped.
int WordFrequencyGeneration();
