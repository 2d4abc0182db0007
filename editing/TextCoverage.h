// Reducing supersampled text to coverage: the inner loop of the smooth text
// of text layers.
//
// The large surface holds white text drawn on transparent black; the low
// (blue) byte of each pixel grows with the coverage. One call reduces one row
// of N x N blocks (N = 2^level) to colour words whose alpha is the average
// coverage of the block.
//
// Implementations (plain C++, SSE2, AVX2) sit behind a pointer chosen once at
// start-up from the processor's features; all give the same results.
#pragma once

#include "imaging/Color32.h"

#include <cstddef>
#include <cstdint>

// src: the first of N rows, stride: pixels from one row to the next, blocks:
// blocks in the row, level 1..4. out[i] := ((s >> level >> level) << 24) + rgb
// with s the sum of the blue bytes of block i. colSums: scratch room for
// blocks * N column sums.
using TCoverageRowFn = void (*)(const TColor32* src, std::ptrdiff_t stride, int blocks, int level,
                                TColor32 rgb, TColor32* out, std::uint16_t* colSums);

struct TCoverageReducer {
    const char* Name;
    TCoverageRowFn ReduceRow;
};

const TCoverageReducer& PlainCoverageReducer();
// Null when the processor lacks the instructions.
const TCoverageReducer* Sse2CoverageReducer();
const TCoverageReducer* Avx2CoverageReducer();

// The reducer in use; the best one the processor has, until changed.
const TCoverageReducer& ActiveCoverageReducer();
// Tests and benchmarks compare the implementations with this.
void UseCoverageReducer(const TCoverageReducer& reducer);

namespace coveragesimd {
// Only call after checking the processor's features.
void ReduceRowAvx2(const TColor32* src, std::ptrdiff_t stride, int blocks, int level, TColor32 rgb,
                   TColor32* out, std::uint16_t* colSums);
} // namespace coveragesimd
