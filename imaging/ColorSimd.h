// Vectorised colour function sets (internal to the imaging library).
#pragma once

#include "imaging/Color32.h"

namespace colorsimd {
// Only call these after checking the processor's features.
const TColorFunctionSet& Sse2Set();
const TColorFunctionSet& Avx2Set();
} // namespace colorsimd
