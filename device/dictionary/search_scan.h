// Candidate finding for the search engine: cheap tests that every accepted
// window passes, run over many positions at once. Each position is then
// scored in full, so a candidate that fails costs time, never a wrong result.
#pragma once

#include "platform/windows.h"

// Four probes: probe k holds at position x when (x[offset[k]] | orMask[k]) ==
// value[k]. orMask 0x20 on a lower-case letter accepts both cases.
struct CandidateProbes {
  int offset[4];
  WCHAR value[4];
  WCHAR orMask[4];
  int pairs;  // 0: P0 & P1 & (P2 | P3); 1: (P0 & P1) | (P2 & P3)
};

// Writes the positions x in [from, to) where the probes hold to out, in
// increasing order, and returns where it stopped: to, or earlier when fewer
// than CANDIDATE_CHUNK slots were left (call again from there). Reads up to
// the largest offset plus CANDIDATE_CHUNK units past to.
#define CANDIDATE_CHUNK 16
typedef const WCHAR* (*CandidateScanner)(const CandidateProbes* probes, const WCHAR* from, const WCHAR* to,
                                         const WCHAR** out, int* count, int capacity);

// Returns the first x in [from, to) with *x == unit, else to. Reads up to
// CANDIDATE_CHUNK units past to.
typedef const WCHAR* (*UnitFinder)(const WCHAR* from, const WCHAR* to, WCHAR unit);

const WCHAR* ScanCandidatesPortable(const CandidateProbes* probes, const WCHAR* from, const WCHAR* to,
                                    const WCHAR** out, int* count, int capacity);
const WCHAR* FindUnitPortable(const WCHAR* from, const WCHAR* to, WCHAR unit);

// The x86 paths; null on other processors.
extern const CandidateScanner ScanCandidatesSse2;
extern const CandidateScanner ScanCandidatesAvx2;
extern const UnitFinder FindUnitSse2;
extern const UnitFinder FindUnitAvx2;
