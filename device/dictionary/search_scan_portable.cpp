#include "device/dictionary/search_scan.h"

static inline bool Holds(const CandidateProbes* p, const WCHAR* x, int k)
{
  return (WCHAR)(x[p->offset[k]] | p->orMask[k]) == p->value[k];
}

const WCHAR* ScanCandidatesPortable(const CandidateProbes* probes, const WCHAR* from, const WCHAR* to,
                                    const WCHAR** out, int* count, int capacity)
{
  const WCHAR* x = from;
  int n = *count;
  for (; x < to; x++) {
    bool hit;
    switch (probes->shape) {
      case SHAPE_ONE: hit = Holds(probes, x, 0); break;
      case SHAPE_TWO: hit = Holds(probes, x, 0) && Holds(probes, x, 1); break;
      case SHAPE_THREE: hit = Holds(probes, x, 0) && Holds(probes, x, 1) && Holds(probes, x, 2); break;
      case SHAPE_AND_OR:
        hit = Holds(probes, x, 0) && Holds(probes, x, 1) && (Holds(probes, x, 2) || Holds(probes, x, 3));
        break;
      default: {
        const bool a = Holds(probes, x, 0) && Holds(probes, x, 1), b = Holds(probes, x, 2) && Holds(probes, x, 3);
        hit = (a && b) || ((a || b) && Holds(probes, x, 4) && Holds(probes, x, 5));
        break;
      }
    }
    if (!hit) continue;
    if (n == capacity) break;
    out[n++] = x;
  }
  *count = n;
  return x;
}
