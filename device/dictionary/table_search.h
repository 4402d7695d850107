// A lookup that reads the kept table's file through once, a piece at a time, checking and
// searching each piece while it is in the processor's cache, instead of mapping the table and
// walking it twice (once to check it, once to search it). It holds a piece and the entries it
// accepts, never the whole table: for a command-line lookup, which searches once and ends.
//
// It answers only from a table that passes the checks a load makes of a kept table (made from
// the database as it is now, its header and size, every entry block in place, the hash of its
// whole content; the pronunciation marks, read only with PinYin on, are checked one by one
// then). Nothing reaches the sink before the last piece has been checked.
#pragma once

#include <string>
#include <vector>

#include "device/dictionary/search_engine.h"
#include "platform/windows.h"

// Looks query (trimmed) up in the database fileName (in the program folder) through its kept
// table's file; MatchWeights must be set up. Once the whole table has been read and found
// sound, onStatus gets the database's load status (LOAD_OK or LOAD_DAMAGED); then it returns
// 1 when it found results, which the sink has had as every call SearchDictionary would make,
// or 0 when it found nothing (the sink has had no call). Returns -1, having called neither,
// when it cannot answer: an empty query, or no usable kept table.
int FindThroughTableFile(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int pinyin,
                         void (*onStatus)(int status), ResultSink sink);

// The same for several forms of a query (a query and its pinyin rewrites), the table read once
// and each piece searched for every form: the sink has each form's calls in turn, as from
// SearchDictionary. Returns 1 when any found results.
//
// With firstAlone, as a search of the loaded table answers PinYin as typed (FindEntries with
// Best matches off): the first form's calls when it found anything; else the later forms' in
// turn, a result an earlier one gave dropped, their progress reports kept, and one end.
int FindFormsThroughTableFile(const WCHAR* fileName, const std::vector<std::u16string>& forms, int matchCase,
                              int wholeWord, int pinyin, void (*onStatus)(int status), ResultSink sink,
                              bool firstAlone = false);

// The same for a database that has no kept table yet: it is kept now (KeepDictionaryTable) and
// each piece searched while it is written, the file never read back. Returns -1, having called
// neither, when there was a table already or none could be made.
int FindWhileKeepingTable(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int pinyin,
                          void (*onStatus)(int status), ResultSink sink);

// The same for several forms of a query, as FindFormsThroughTableFile answers them.
int FindFormsWhileKeepingTable(const WCHAR* fileName, const std::vector<std::u16string>& forms, int matchCase,
                               int wholeWord, int pinyin, void (*onStatus)(int status), ResultSink sink,
                               bool firstAlone = false);
