// The index a lookup reads instead of the whole table, kept beside the table
// (cedict.gb.dat.table.index). It holds, for every unit from U+2E80 on, the entries whose text
// holds that unit; for every piece of three units below it (case folded, by a hash of the
// piece), the entries whose text holds it; and where each entry starts in the table, with a
// hash of its block. A query whose accepted windows must hold all of its units
// (CandidatesSuffice) then reads the entries that hold every one of them and nothing else. A
// Latin query reads the entries that hold every piece of it an accepted window must hold
// (ExactLeadingUnits: all but the one unit that may differ), when they are few. Only those
// entries are checked, instead of the whole table.
//
// The index is used only while it was made from the table as it is (the table's header hash
// and size), its size adds up and the hashes of its pages match theirs; each page of it is
// checked when a lookup first reads it, so a lookup hashes the little it reads, not all of
// it. Each entry it leads to must lie inside the table and match its hash. Anything else and
// the lookup loads the table as every other search does (and the index is made again after).
#pragma once

#include "device/dictionary/search_engine.h"
#include "platform/windows.h"

// The first unit the index holds: the CJK radicals and every unit after them.
#define LOOKUP_INDEX_FIRST_UNIT 0x2E80

// What the index can answer (PinYin off): INDEX_CHINESE for a few Chinese units
// (CandidatesSuffice), every one from LOOKUP_INDEX_FIRST_UNIT on, from the lists of the entries
// holding each unit; INDEX_LATIN for at least three units, every one below it, from the lists
// of the entries holding each piece of three units; else 0.
#define INDEX_CHINESE 1
#define INDEX_LATIN 2
int IndexAnswers(const WCHAR* query, int wholeWord);

// FindThroughIndex's answer for a Latin query whose pieces lead to too many entries to read
// them one by one: the whole table read through is faster. Nothing was sent.
#define INDEX_TOO_BROAD (-2)

// Looks query (trimmed) up in the database fileName (in the program folder) through its kept
// table's index, PinYin off; MatchWeights must be set up. Returns 1 when the index answered
// and found results: onStatus then gets the database's load status (LOAD_OK or LOAD_DAMAGED)
// and the sink every call SearchDictionary would make. Otherwise the sink is not called, and
// it returns 0 when the query is not one the index can answer or the index finds nothing (a
// search that finds nothing may go on to other forms of the query, which need the loaded
// table), -1 when it could have answered but there is no usable table and index, or
// INDEX_TOO_BROAD. A query the index answered with nothing has onStatus called all the same,
// as the read-through of the kept table does: it may be the whole answer. With headwords,
// a query of two Chinese characters (whole word off) also lists, after the search's results
// and before its end, the entries whose headwords hold it that the search did not accept, as
// Best matches first does (AddHeadwordMatches); they count as found, also when the search
// itself found nothing.
int FindThroughIndex(const WCHAR* fileName, const WCHAR* query, int matchCase, int wholeWord, int headwords,
                     void (*onStatus)(int status), ResultSink sink);

// Makes the index of the database fileName's kept table when there is no whole one (every page
// matching) for the table as it is now. The table's file is read through in pieces and checked as a load checks it (its
// header, every entry block, the hash of its content); the index is made only from a table
// that passes. Best effort: a folder that cannot be written keeps no index. True when it made
// one.
bool KeepLookupIndex(const WCHAR* fileName);
