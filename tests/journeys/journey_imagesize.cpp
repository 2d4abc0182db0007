// Reads an image file the way the program does (decoder chosen by the
// extension) and prints its size as "WxH"; exit 1 when it does not decode.
#include "codecs/ImageFiles.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: journey_imagesize FILE\n");
        return 2;
    }
    TBitmap32 image;
    const TLoadResult result = ReadImageFile(QByteArray(argv[1]), image);
    if (result != TLoadResult::Loaded || image.IsEmpty()) {
        std::fprintf(stderr, "journey_imagesize: %s does not decode (%d)\n", argv[1], int(result));
        return 1;
    }
    std::printf("%dx%d\n", image.Width(), image.Height());
    return 0;
}
