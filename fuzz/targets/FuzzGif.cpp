// libFuzzer target: the GIF reader, over a background the size of common
// small screens so that both the kept-pixels and the black paths run, and
// again with the see-through pixels kept.
#include "codecs/GifReader.h"
#include "FuzzLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<TColor32> background(8 * 9, 0x80402010u);
    TPixelBuffer out;
    if (DecodeGif(TByteSpan(data, size), TPixelView{background.data(), 8, 9}, out, kFuzzLimits)) {
        CheckDecoded(out);
        for (TColor32 c : out.Pixels)
            if ((c >> 24) != 0xFF) __builtin_trap(); // every pixel ends opaque
    }
    if (DecodeGifWithAlpha(TByteSpan(data, size), out, kFuzzLimits)) {
        CheckDecoded(out);
        for (TColor32 c : out.Pixels)
            if (c != clTransparent32 && (c >> 24) != 0xFF) __builtin_trap(); // opaque or transparent black
    }
    return 0;
}
