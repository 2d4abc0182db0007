// Saves a picture over and over from a process of its own, for the test that
// kills it mid-save.
//   cubiform_picture_saver <file> jpg|gif|bmp
// Writes version 1 and 0 of the test picture in turn, forever; prints a line
// before the first save and one after each.
#include "SavedPicture.h"
#include "codecs/ImageFiles.h"

#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <file> jpg|gif|bmp\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const char* kind = argv[2];
    TBitmap32 pictures[2];
    codectest::MakeSavedPicture(pictures[0], 0);
    codectest::MakeSavedPicture(pictures[1], 1);
    std::puts("saving");
    std::fflush(stdout);
    for (unsigned n = 1;; ++n) {
        const TBitmap32& picture = pictures[n % 2];
        bool ok = true;
        if (std::strcmp(kind, "jpg") == 0) {
            ok = SaveAsJpeg(file, picture);
        } else if (std::strcmp(kind, "gif") == 0) {
            ok = SaveAsGif(file, picture);
        } else {
            SaveAsBitmap(file, picture);
        }
        if (!ok) return 1;
        std::puts("saved");
        std::fflush(stdout);
    }
}
