// libFuzzer target: the bitmap file reader.
#include "codecs/BmpReader.h"
#include "FuzzLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TPixelBuffer out;
    if (DecodeBmp(TByteSpan(data, size), out, kFuzzLimits)) CheckDecoded(out);
    return 0;
}
