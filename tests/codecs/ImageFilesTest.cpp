#include "CodecTestSupport.h"

#include "codecs/BmpWriter.h"
#include "codecs/GifWriter.h"
#include "codecs/ImageFiles.h"
#include "codecs/JpegWriter.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace codectest;

namespace {

class ImageFiles : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }

    static void Fill(TBitmap32& b, const TPixelBuffer& pixels)
    {
        b.SetSize(pixels.Width, pixels.Height);
        std::copy(pixels.Pixels.begin(), pixels.Pixels.end(), b.Bits());
    }
    static std::vector<TColor32> PixelsOf(const TBitmap32& b)
    {
        return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
    }

    QTemporaryDir FDir;
};

} // namespace

TEST(FileKind, DecidedByTheLastExtensionIgnoringCase)
{
    EXPECT_EQ(FileKindOf("a.bmp"), ikBmp);
    EXPECT_EQ(FileKindOf("/x/FRONT.JPG"), ikJpg);
    EXPECT_EQ(FileKindOf("front.Jpeg"), ikJpeg);
    EXPECT_EQ(FileKindOf("anim.GIF"), ikGif);
    EXPECT_EQ(FileKindOf("archive.gif.png"), ikUnknown);
    EXPECT_EQ(FileKindOf("front.png"), ikUnknown);
    EXPECT_EQ(FileKindOf("front.ico"), ikUnknown);
    EXPECT_EQ(FileKindOf("front"), ikUnknown);
    EXPECT_EQ(FileKindOf("dir.jpg/front"), ikUnknown);
    EXPECT_EQ(FileKindOf("front.unknown"), ikUnknown);

    EXPECT_EQ(ChangeFileExt("box.jpeg", ".jpg"), "box.jpg");
    EXPECT_EQ(ChangeFileExt("/a.b/shot", ".gif"), "/a.b/shot.gif");
    EXPECT_EQ(ChangeFileExt("/a/shot.tar.png", ".bmp"), "/a/shot.tar.bmp");
}

TEST_F(ImageFiles, LoadsEachKindAndKeepsTheTargetsProperties)
{
    const TPixelBuffer photo = RandomPixels(20, 10);
    WriteAll(Path("p.bmp"), EncodeBmp32(ViewOf(photo), TBmpFourthByte::Alpha));
    TByteVector jpeg;
    ASSERT_TRUE(EncodeJpeg(ViewOf(photo), jpeg));
    WriteAll(Path("P.JPEG"), jpeg);
    WriteAll(Path("p.gif"), WriteGif(ViewOf(photo)));

    TBitmap32 target;
    target.DrawMode = dmBlend;
    target.StretchFilter = sfLinear;
    int changes = 0;
    target.OnChange = [&](TBitmap32*) { ++changes; };

    ASSERT_TRUE(LoadImageFile(Path("p.bmp"), target));
    EXPECT_EQ(PixelsOf(target), photo.Pixels); // 32-bit BMP keeps alpha
    EXPECT_EQ(target.DrawMode, dmBlend);
    EXPECT_EQ(target.StretchFilter, sfLinear);
    EXPECT_GT(changes, 0);

    ASSERT_TRUE(LoadImageFile(Path("P.JPEG"), target));
    EXPECT_EQ(target.Width(), 20);
    for (TColor32 c : PixelsOf(target)) ASSERT_EQ(AlphaComponent(c), 255);

    ASSERT_TRUE(LoadImageFile(Path("p.gif"), target));
    for (std::size_t i = 0; i < photo.Pixels.size(); ++i)
        ASSERT_EQ(target.Bits()[i], CubeColorOf(CubeIndexOf(photo.Pixels[i])));
}

TEST_F(ImageFiles, AGifKeepsTheTargetWhereItDrawsNothing)
{
    // A 4 x 3 screen; the image covers x 1..2 of row 1 only.
    WriteAll(Path("small.gif"), MakeGif(4, 3, {{1, 1, 2, 1}}));
    TBitmap32 target;
    target.SetSize(4, 3);
    target.Clear(Color32(9, 8, 7, 0));
    ASSERT_TRUE(LoadImageFile(Path("small.gif"), target));
    EXPECT_EQ(target.PixelAt(0, 0), Color32(9, 8, 7));
    EXPECT_EQ(target.PixelAt(1, 1), Color32(255, 0, 0));
    EXPECT_EQ(target.PixelAt(2, 1), Color32(0, 255, 0));
    EXPECT_EQ(target.PixelAt(3, 1), Color32(9, 8, 7));

    TBitmap32 fresh; // a target of another size gets black
    ASSERT_TRUE(LoadImageFile(Path("small.gif"), fresh));
    EXPECT_EQ(fresh.PixelAt(0, 0), clBlack32);
}

TEST_F(ImageFiles, FailedLoadsLeaveTheTargetAlone)
{
    const TPixelBuffer photo = RandomPixels(8, 8);
    TByteVector jpeg;
    ASSERT_TRUE(EncodeJpeg(ViewOf(photo), jpeg));
    WriteAll(Path("jpeg-inside.bmp"), jpeg);
    WriteAll(Path("picture.png"), EncodeBmp32(ViewOf(photo))); // good content, wrong name
    TByteVector truncated = EncodeBmp32(ViewOf(photo));
    truncated.resize(truncated.size() - 1);
    WriteAll(Path("short.bmp"), truncated);
    QDir(FDir.path()).mkdir("folder.gif");
    // Opening either would wait for a writer or read forever.
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.jpg")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", Path("zero.bmp")));

    TBitmap32 target;
    const TPixelBuffer before = RandomPixels(3, 2, 9);
    Fill(target, before);
    EXPECT_EQ(ReadImageFile(Path("jpeg-inside.bmp"), target), TLoadResult::NotAnImage);
    EXPECT_EQ(ReadImageFile(Path("picture.png"), target), TLoadResult::UnknownKind);
    EXPECT_EQ(ReadImageFile(Path("short.bmp"), target), TLoadResult::NotAnImage);
    EXPECT_EQ(ReadImageFile(Path("missing.jpg"), target), TLoadResult::NoSuchFile);
    EXPECT_EQ(ReadImageFile(Path("folder.gif"), target), TLoadResult::IsFolder);
    EXPECT_EQ(ReadImageFile(Path("pipe.jpg"), target), TLoadResult::NotRegularFile);
    EXPECT_EQ(ReadImageFile(Path("zero.bmp"), target), TLoadResult::NotRegularFile);
    EXPECT_FALSE(LoadImageFile(Path("short.bmp"), target));
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(target.Height(), 2);
    EXPECT_EQ(PixelsOf(target), before.Pixels);
}

TEST_F(ImageFiles, HugeFilesAndFilesOfTheWrongKindAreRefusedUnread)
{
    // Sparse files take no disk; reading either whole would raise this
    // process's peak memory by gigabytes.
    auto sparse = [&](const QString& name, const TByteVector& head, qint64 size) {
        WriteAll(Path(name), head);
        ASSERT_EQ(truncate(QFile::encodeName(Path(name)).constData(), off_t(size)), 0);
    };
    sparse("huge.bmp", EncodeBmp32(ViewOf(RandomPixels(2, 2))), qint64(2) << 30);
    sparse("zeros.jpg", {}, TImageLimits{}.MaxFileBytes());

    rusage before{}, after{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &before), 0);
    TBitmap32 target;
    EXPECT_EQ(ReadImageFile(Path("huge.bmp"), target), TLoadResult::NotAnImage);
    EXPECT_EQ(ReadImageFile(Path("zeros.jpg"), target), TLoadResult::NotAnImage);
    ASSERT_EQ(getrusage(RUSAGE_SELF, &after), 0);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200 * 1024); // kilobytes
    EXPECT_TRUE(target.IsEmpty());
}

TEST_F(ImageFiles, SavesForceTheExtensionOfTheirFormat)
{
    TBitmap32 image;
    Fill(image, RandomPixels(30, 20));
    ASSERT_TRUE(SaveAsJpeg(Path("shot.png"), image));
    ASSERT_TRUE(SaveAsGif(Path("shot.png"), image));
    SaveAsBitmap(Path("shot.png"), image);
    ASSERT_TRUE(SaveAsJpeg(Path("box.jpeg"), image));
    SaveAsBitmap(Path("plain"), image);
    EXPECT_EQ(FolderEntries(FDir.path()),
              (QStringList{"box.jpg", "plain.bmp", "shot.bmp", "shot.gif", "shot.jpg"}));

    // The bitmap keeps every colour and is opaque, whatever the image's
    // alpha (other programs would show alpha 0 as a hole); the JPEG has no alpha.
    TBitmap32 back;
    ASSERT_TRUE(LoadImageFile(Path("shot.bmp"), back));
    ASSERT_EQ(back.Width(), image.Width());
    for (std::size_t i = 0; i < PixelsOf(image).size(); ++i)
        ASSERT_EQ(back.Bits()[i], WithAlpha(image.Bits()[i], 255)) << i;
    const TByteVector jpeg = ReadAll(Path("shot.jpg"));
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(GifStageCaption(TGifStage::Converting), "Converting...");
    EXPECT_EQ(GifStageCaption(TGifStage::Saving), "Saving...");
}

TEST_F(ImageFiles, FailedSavesLeaveNoFileBehind)
{
    TBitmap32 image;
    Fill(image, RandomPixels(30, 20));
    TBitmap32 empty;

    // An empty image writes nothing and reports failure.
    EXPECT_FALSE(SaveAsJpeg(Path("e.jpg"), empty));
    EXPECT_FALSE(SaveAsGif(Path("e.gif"), empty));
    EXPECT_THROW(SaveAsBitmap(Path("e.bmp"), empty), EImageFileError);

    // A missing folder, and a "folder" that is a file: every format gives the
    // system's reason.
    WriteAll(Path("afile"), {1, 2, 3});
    for (const QString& name : {Path("missing/out.jpg"), Path("afile/out.jpg")}) {
        QString jpegWhy, gifWhy;
        EXPECT_FALSE(SaveAsJpeg(name, image, &jpegWhy));
        EXPECT_FALSE(SaveAsGif(name, image, &gifWhy));
        try {
            SaveAsBitmap(name, image);
            ADD_FAILURE() << "expected EImageFileError";
        } catch (const EImageFileError& e) {
            EXPECT_TRUE(QString::fromStdString(e.what()).contains(ChangeFileExt(name, ".bmp")));
            EXPECT_FALSE(e.Reason().isEmpty());
            EXPECT_EQ(jpegWhy, e.Reason());
            EXPECT_EQ(gifWhy, e.Reason());
        }
    }
    EXPECT_EQ(FolderEntries(FDir.path()), QStringList{"afile"});

    // A folder in the way of the file, in a folder that may be written to:
    // the failure does not depend on permissions, so it holds for root too.
    QDir(FDir.path()).mkpath("box/out.jpg/inside");
    QDir(FDir.path()).mkpath("box/out.bmp/inside");
    EXPECT_FALSE(SaveAsJpeg(Path("box/out.jpg"), image));
    EXPECT_THROW(SaveAsBitmap(Path("box/out.bmp"), image), EImageFileError);
    EXPECT_EQ(FolderEntries(Path("box")), (QStringList{"out.bmp", "out.jpg"}));
    EXPECT_EQ(FolderEntries(Path("box/out.jpg")), QStringList{"inside"});
}

TEST_F(ImageFiles, AWriteThatFailsHalfwayKeepsTheOldFile)
{
    TBitmap32 image;
    Fill(image, RandomPixels(200, 200));
    const TByteVector old = {'o', 'l', 'd'};
    for (const char* name : {"out.jpg", "out.gif", "out.bmp"}) WriteAll(Path(name), old);

    // Limit the size of any file this process writes, so the writes fail midway.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool jpeg = SaveAsJpeg(Path("out.jpg"), image);
    const bool gif = SaveAsGif(Path("out.gif"), image);
    bool bmpRaised = false;
    try {
        SaveAsBitmap(Path("out.bmp"), image);
    } catch (const EImageFileError&) {
        bmpRaised = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(jpeg);
    EXPECT_FALSE(gif);
    EXPECT_TRUE(bmpRaised);
    for (const char* name : {"out.jpg", "out.gif", "out.bmp"}) EXPECT_EQ(ReadAll(Path(name)), old) << name;
    EXPECT_EQ(FolderEntries(FDir.path()), (QStringList{"out.bmp", "out.gif", "out.jpg"}));
}
