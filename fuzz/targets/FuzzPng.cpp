// libFuzzer target: the PNG reader.
#include "codecs/PngReader.h"
#include "FuzzLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TPixelBuffer out;
    if (DecodePng(TByteSpan(data, size), out, kFuzzLimits)) CheckDecoded(out);
    return 0;
}
