// A kept table's file read through once, 256 KiB at a time, never held whole: each piece's
// whole entry blocks are handed on while they are in the processor's cache, and the block a
// piece cuts off is carried in front of the next one. Every block is checked as it is walked
// (inside the arena, its zero in place, and its marks inside it when they are kept), and the
// hash of the whole content must match the header's at the end; a reader acts on what it was
// handed only once the reading succeeded.
#pragma once

#include <cstddef>
#include <functional>

#include "device/dictionary/database.h"
#include "device/dictionary/table_file.h"

// Reads the table file through from just past its header (as OpenTableView leaves it), as
// table describes it, handing each run of one or more whole blocks to onRun; onRun returns
// false to stop. withMarks keeps the marks (half a megabyte for the full list) and checks
// them; a reader that does not read them saves that. True when the whole file was read, every block fitted, the slack is zero
// and the content hash matches; false when a read fails, anything does not fit, onRun
// stopped or there was no memory.
//
// With tablePath (the table's own), the entry blocks come from the table's packed copy beside it
// (table_packed.h) when it has a whole one: half the bytes to read, hashed as they are read and
// checked against the copy's own hashes at the end. When it has none, the copy is made as the
// table is read (best effort: a folder that cannot be written keeps none). A packed copy that
// fails the reading is removed, and *packedFailed (when given) set: the caller may read again,
// from the table, which makes the copy anew.
//
// With room (at least TableReadingBytes(table) bytes, the caller's), the reading works in it
// instead of memory of its own: a caller that keeps what it is handed may put it after that, in
// the huge page the reading has already taken.
bool ReadTableThrough(HANDLE file, const TABLE_VIEW& table, bool withMarks,
                      const std::function<bool(const TABLE_RUN&)>& onRun, const WCHAR* tablePath = nullptr,
                      bool* packedFailed = nullptr, void* room = nullptr);
// The bytes of room a reading of table through takes, in whole cache lines.
size_t TableReadingBytes(const TABLE_VIEW& table);
