// The plain C++ row functions: the reference every vectorised kernel matches.
#include "imaging/TransformKernels.h"

namespace transform_kernels {

void MapRowPlain(const TFloatMatrix& R, int j, int x0, int n, float scale, std::int32_t* X,
                 std::int32_t* Y)
{
    const float fj = float(j);
    for (int k = 0; k < n; ++k) MapProjectivePixel(R, float(x0 + k), fj, scale, X[k], Y[k]);
}

void SampleRowPlain(const TSampleSource& s, const std::int32_t* X, const std::int32_t* Y, int n,
                    TColor32* colour, std::uint8_t* draw)
{
    for (int k = 0; k < n; ++k) draw[k] = SampleBilinear(s, X[k], Y[k], colour[k]) ? 1 : 0;
}

const TKernelSet& PlainKernels()
{
    static const TKernelSet set{TTransformPath::Plain, MapRowPlain, SampleRowPlain};
    return set;
}

} // namespace transform_kernels
