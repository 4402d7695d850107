// Candidate finding for the search engine: cheap tests that every accepted
// window passes, run over many positions at once. Each position found is then
// scored in full, so a needless candidate costs time, never a wrong result.
#pragma once

#include <cstdint>

#include "platform/windows.h"

#define MAX_COUNTED_PROBES 8

// A probe holds at position x when (x[offset] | orMask) == value; orMask 0x20
// on a lower-case letter accepts both cases.
//
// First test, on every position, by shape: SHAPE_ONE P0; SHAPE_TWO P0 & P1;
// SHAPE_THREE P0 & P1 & P2; SHAPE_AND_OR P0 & P1 & (P2 | P3); SHAPE_PAIRS two
// at least of the pairs P0 & P1, P2 & P3 and P4 & P5. Second test, where the
// first passed: at least needed of the counted probes hold, and with boundary
// set the unit after the window (x[boundary]) or the one before it (x[-1]) is a
// space, punctuation or one of U+3014..U+3016.
#define SHAPE_ONE 1
#define SHAPE_TWO 2
#define SHAPE_THREE 3
#define SHAPE_AND_OR 4
#define SHAPE_PAIRS 6

struct CandidateProbes {
  int shape;
  int offset[6];
  WCHAR value[6];
  WCHAR orMask[6];
  int counted;
  int countOffset[MAX_COUNTED_PROBES];
  WCHAR countValue[MAX_COUNTED_PROBES];
  WCHAR countOrMask[MAX_COUNTED_PROBES];
  int needed;
  int boundary;  // 0: no boundary test; else the window length n
};

// Writes the positions x in [from, to) that pass both tests to out, in
// increasing order, and returns where it stopped: to, or earlier when fewer
// than CANDIDATE_CHUNK slots were left (call again from there). Reads from
// from - 1 up to the largest offset plus CANDIDATE_CHUNK units past to.
#define CANDIDATE_CHUNK 16
typedef const WCHAR* (*CandidateScanner)(const CandidateProbes* probes, const WCHAR* from, const WCHAR* to,
                                         const WCHAR** out, int* count, int capacity);

// The portable path applies the first test only.
const WCHAR* ScanCandidatesPortable(const CandidateProbes* probes, const WCHAR* from, const WCHAR* to,
                                    const WCHAR** out, int* count, int capacity);

// The x86 paths; null on other processors.
extern const CandidateScanner ScanCandidatesSse2;
extern const CandidateScanner ScanCandidatesAvx2;

// The same tests over bytes, one for each unit (a unit of 0x80 or more as a zero byte), for a
// query whose units are all below 0x80: a zero byte holds no probe, as its unit would not, and
// passes the boundary test (its unit may be one of U+3014..U+3016), so the positions found are
// those the units give, with perhaps a few more beside a boundary. 32 positions at a time; reads
// from from - 1 up to the largest offset plus 32 bytes past to. Null where there is no AVX2.
#define CANDIDATE_BYTE_CHUNK 32
typedef const uint8_t* (*ByteCandidateScanner)(const CandidateProbes* probes, const uint8_t* from, const uint8_t* to,
                                               const uint8_t** out, int* count, int capacity);
extern const ByteCandidateScanner ScanCandidateBytesAvx2;
