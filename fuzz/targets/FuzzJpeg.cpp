// libFuzzer target: the JPEG reader (libjpeg behind our error handling).
#include "codecs/JpegReader.h"
#include "FuzzLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TPixelBuffer out;
    if (DecodeJpeg(TByteSpan(data, size), out, kFuzzLimits)) {
        CheckDecoded(out);
        for (TColor32 c : out.Pixels)
            if ((c >> 24) != 0xFF) __builtin_trap();
    }
    return 0;
}
