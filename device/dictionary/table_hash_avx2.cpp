// The hash's AVX2 build (this file alone is compiled for AVX2; table_hash.cpp calls it only
// where the processor has it). Nothing else may go in here.
#include <cstddef>

#define XXH_INLINE_ALL
#if defined(__x86_64__)
#define XXH_VECTOR XXH_AVX2
#endif
#include <xxhash.h>

#if defined(__x86_64__)
static void UpdateAvx2(XXH3_state_t* state, const void* data, size_t bytes) { XXH3_64bits_update(state, data, bytes); }
extern void (*const TableHashUpdateAvx2)(XXH3_state_t*, const void*, size_t) = UpdateAvx2;
#else
extern void (*const TableHashUpdateAvx2)(XXH3_state_t*, const void*, size_t) = nullptr;
#endif
