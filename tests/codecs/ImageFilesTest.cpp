#include "CodecTestSupport.h"
#include "support/BlendArithmetic.h"
#include "support/FileSizeLimit.h"

#include "codecs/BmpWriter.h"
#include "codecs/GifWriter.h"
#include "codecs/ImageFiles.h"
#include "codecs/JpegWriter.h"
#include "codecs/PngWriter.h"
#include "platform/MemoryBudget.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
    EXPECT_EQ(FileKindOf("archive.gif.png"), ikPng);
    EXPECT_EQ(FileKindOf("front.PNG"), ikPng);
    EXPECT_EQ(ikUnknown, 4); // stored and compared by number elsewhere
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
    TByteVector png;
    ASSERT_TRUE(EncodePng(ViewOf(photo), png));
    WriteAll(Path("p.png"), png);

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

    ASSERT_TRUE(LoadImageFile(Path("p.png"), target));
    EXPECT_EQ(PixelsOf(target), photo.Pixels); // alpha kept
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

TEST_F(ImageFiles, FacesLaySeeThroughPixelsOnWhiteLayersBlendThemBitmapsStayAsRead)
{
    // Opaque red, see-through green, half-transparent blue, nearly opaque grey.
    TPixelBuffer picture;
    picture.Width = 4;
    picture.Height = 1;
    picture.Pixels = {Color32(255, 0, 0), Color32(0, 255, 0, 0), Color32(0, 0, 255, 128), Color32(100, 150, 200, 254)};
    TByteVector png;
    ASSERT_TRUE(EncodePng(ViewOf(picture), png));
    WriteAll(Path("p.png"), png);
    WriteAll(Path("p.bmp"), EncodeBmp32(ViewOf(picture), TBmpFourthByte::Alpha));
    // A 4 x 2 screen: red and green/blue columns, index 0 transparent in the
    // third, the fourth undrawn; and the same without a transparent index.
    WriteAll(Path("t.gif"), MakeGif(4, 2, {{0, 0, 3, 2, false, 0, 0}}));
    WriteAll(Path("opaque.gif"), MakeGif(3, 2, {{0, 0, 3, 2, false, -1, 0}}));
    const TColor32 red = Color32(255, 0, 0), green = Color32(0, 255, 0), blue = Color32(0, 0, 255);

    TBitmap32 face;
    face.SetSize(4, 2);
    face.Clear(Color32(9, 8, 7)); // of the GIF screen's size: not what shows through
    ASSERT_TRUE(LoadImageFile(Path("t.gif"), face, TTransparency::OnWhite));
    EXPECT_EQ(PixelsOf(face),
              (std::vector<TColor32>{red, green, clWhite32, clWhite32, red, blue, clWhite32, clWhite32}));
    ASSERT_TRUE(LoadImageFile(Path("p.png"), face, TTransparency::OnWhite));
    EXPECT_EQ(PixelsOf(face), (std::vector<TColor32>{red, clWhite32, BlendedOnto(picture.Pixels[2], clWhite32),
                                                     BlendedOnto(picture.Pixels[3], clWhite32)}));
    EXPECT_EQ(face.DrawMode, dmOpaque);

    TBitmap32 layer;
    ASSERT_TRUE(LoadImageFile(Path("t.gif"), layer, TTransparency::Blended));
    EXPECT_EQ(PixelsOf(layer), (std::vector<TColor32>{red, green, 0, 0, red, blue, 0, 0}));
    EXPECT_EQ(layer.DrawMode, dmBlend);
    TBitmap32 pngLayer;
    ASSERT_TRUE(LoadImageFile(Path("p.png"), pngLayer, TTransparency::Blended));
    EXPECT_EQ(PixelsOf(pngLayer), picture.Pixels);
    EXPECT_EQ(pngLayer.DrawMode, dmBlend);
    TBitmap32 opaqueLayer;
    ASSERT_TRUE(LoadImageFile(Path("opaque.gif"), opaqueLayer, TTransparency::Blended));
    EXPECT_EQ(opaqueLayer.DrawMode, dmOpaque);

    // A 32-bit bitmap's fourth byte is left as it is, whatever the use.
    for (const TTransparency use : {TTransparency::OnWhite, TTransparency::Blended}) {
        TBitmap32 bitmap;
        ASSERT_TRUE(LoadImageFile(Path("p.bmp"), bitmap, use));
        EXPECT_EQ(PixelsOf(bitmap), picture.Pixels);
        EXPECT_EQ(bitmap.DrawMode, dmOpaque);
    }
}

TEST_F(ImageFiles, FailedLoadsLeaveTheTargetAlone)
{
    const TPixelBuffer photo = RandomPixels(8, 8);
    TByteVector jpeg;
    ASSERT_TRUE(EncodeJpeg(ViewOf(photo), jpeg));
    WriteAll(Path("jpeg-inside.bmp"), jpeg);
    WriteAll(Path("picture.png"), EncodeBmp32(ViewOf(photo))); // good content, wrong name
    WriteAll(Path("picture.tif"), EncodeBmp32(ViewOf(photo)));
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
    EXPECT_EQ(ReadImageFile(Path("picture.png"), target), TLoadResult::NotAnImage);
    EXPECT_EQ(ReadImageFile(Path("picture.tif"), target), TLoadResult::UnknownKind);
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

namespace {

// Bytes this process has read from files so far.
qint64 BytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

TEST_F(ImageFiles, APictureAtTheStartOfAHugeFileLoadsWithoutReadingTheRest)
{
    const TPixelBuffer photo = PhotoLike(64, 48);
    TByteVector jpeg;
    ASSERT_TRUE(EncodeJpeg(ViewOf(photo), jpeg));
    const std::pair<const char*, TByteVector> files[] = {
        {"big.jpg", jpeg}, {"big.gif", WriteGif(ViewOf(photo))}, {"big.bmp", EncodeBmp32(ViewOf(photo))}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        TBitmap32 alone, inBigFile;
        WriteAll(Path(name), bytes);
        ASSERT_EQ(ReadImageFile(Path(name), alone), TLoadResult::Loaded);
        // 100 MB of (sparse) garbage after the picture.
        ASSERT_EQ(truncate(QFile::encodeName(Path(name)).constData(), off_t(bytes.size()) + (100 << 20)), 0);
        const qint64 before = BytesReadSoFar();
        ASSERT_GE(before, 0);
        ASSERT_EQ(ReadImageFile(Path(name), inBigFile), TLoadResult::Loaded);
        EXPECT_LT(BytesReadSoFar() - before, 1 << 20);
        EXPECT_EQ(PixelsOf(inBigFile), PixelsOf(alone));
    }
}

TEST_F(ImageFiles, HeadersOverTheMemoryLimitAreRefusedBeforeAllocating)
{
    membudget::SetLimit(100 << 20);
    const auto reset = qScopeGuard([] { membudget::SetLimit(0); });
    // Each header claims 20000 x 20000 pixels, within the decoders' limits.
    TByteVector jpeg;
    ASSERT_TRUE(EncodeJpeg(ViewOf(PhotoLike(16, 16)), jpeg));
    const std::uint8_t startOfFrame[] = {0xFF, 0xC0};
    const auto sof = std::search(jpeg.begin(), jpeg.end(), std::begin(startOfFrame), std::end(startOfFrame));
    ASSERT_NE(sof, jpeg.end());
    for (int at : {5, 7}) {
        sof[at] = 0x4E;
        sof[at + 1] = 0x20;
    }
    WriteAll(Path("huge.jpg"), jpeg);
    WriteAll(Path("huge.gif"), MakeGif(20000, 20000, {{0, 0, 4, 4}}));
    TByteVector bmp = EncodeBmp32(ViewOf(PhotoLike(2, 2)));
    for (int at : {18, 22}) {
        bmp[at] = 0x20;
        bmp[at + 1] = 0x4E;
    }
    WriteAll(Path("huge.bmp"), bmp);
    TByteVector png;
    ASSERT_TRUE(EncodePng(ViewOf(PhotoLike(4, 4)), png));
    for (int at : {16, 20}) { // the header's width and height; its checksum no longer matches
        png[at + 2] = 0x4E;
        png[at + 3] = 0x20;
    }
    WriteAll(Path("huge.png"), png);
    // Room for all its rows, as sparse zeros.
    const std::uint32_t pixelOffset = bmp[10] | (bmp[11] << 8);
    ASSERT_EQ(truncate(QFile::encodeName(Path("huge.bmp")).constData(), off_t(pixelOffset) + off_t(80000) * 20000), 0);

    TBitmap32 target;
    const TPixelBuffer before = RandomPixels(3, 2, 9);
    Fill(target, before);
    rusage start{}, end{};
    ASSERT_EQ(getrusage(RUSAGE_SELF, &start), 0);
    for (const char* name : {"huge.jpg", "huge.gif", "huge.bmp", "huge.png"}) {
        SCOPED_TRACE(name);
        QString why;
        EXPECT_EQ(ReadImageFile(Path(name), target, &why), TLoadResult::TooLarge);
        EXPECT_TRUE(why.startsWith(QStringLiteral("'%1', a picture of 20000 \u00d7 20000 pixels, would need ").arg(Path(name))))
            << why.toStdString();
        EXPECT_TRUE(why.contains(QStringLiteral("more than the limit of 100 MB"))) << why.toStdString();
    }
    ASSERT_EQ(getrusage(RUSAGE_SELF, &end), 0);
    EXPECT_LT(end.ru_maxrss - start.ru_maxrss, 50 * 1024); // kilobytes
    EXPECT_EQ(PixelsOf(target), before.Pixels);
    // Nor can a picture over the limit be made any other way.
    EXPECT_THROW(target.SetSize(20000, 20000), EBitmapError);
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
    ASSERT_TRUE(SaveAsPng(Path("shot.bmp"), image));
    EXPECT_EQ(FolderEntries(FDir.path()),
              (QStringList{"box.jpg", "plain.bmp", "shot.bmp", "shot.gif", "shot.jpg", "shot.png"}));
    TBitmap32 png;
    ASSERT_TRUE(LoadImageFile(Path("shot.png"), png));
    EXPECT_EQ(PixelsOf(png), PixelsOf(image)); // with its alpha

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
    EXPECT_FALSE(SaveAsPng(Path("e.png"), empty));
    EXPECT_THROW(SaveAsBitmap(Path("e.bmp"), empty), EImageFileError);

    // A missing folder, and a "folder" that is a file: every format gives the
    // system's reason.
    WriteAll(Path("afile"), {1, 2, 3});
    for (const QString& name : {Path("missing/out.jpg"), Path("afile/out.jpg")}) {
        QString jpegWhy, gifWhy, pngWhy;
        EXPECT_FALSE(SaveAsJpeg(name, image, &jpegWhy));
        EXPECT_FALSE(SaveAsGif(name, image, &gifWhy));
        EXPECT_FALSE(SaveAsPng(name, image, &pngWhy));
        try {
            SaveAsBitmap(name, image);
            ADD_FAILURE() << "expected EImageFileError";
        } catch (const EImageFileError& e) {
            EXPECT_TRUE(QString::fromStdString(e.what()).contains(ChangeFileExt(name, ".bmp")));
            EXPECT_FALSE(e.Reason().isEmpty());
            EXPECT_EQ(jpegWhy, e.Reason());
            EXPECT_EQ(gifWhy, e.Reason());
            EXPECT_EQ(pngWhy, e.Reason());
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

TEST_F(ImageFiles, ASaveOnAFullDiskFailsWithTheReasonAndKeepsTheOldFile)
{
    // Small pictures fit in one write buffer, so only the final flush meets
    // the full disk; large ones fail on an earlier write.
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const int side : {40, 200}) {
        SCOPED_TRACE(side);
        TBitmap32 image;
        Fill(image, RandomPixels(side, side));
        const TByteVector old = {'o', 'l', 'd'};
        for (const char* name : {"out.jpg", "out.gif", "out.bmp", "out.png"}) WriteAll(Path(name), old);

        const QString said = InChildWithFileSizeLimit(1024, [&] {
            QString jpegWhy, gifWhy, bmpWhy, pngWhy;
            const bool jpeg = SaveAsJpeg(Path("out.jpg"), image, &jpegWhy);
            const bool gif = SaveAsGif(Path("out.gif"), image, &gifWhy);
            const bool png = SaveAsPng(Path("out.png"), image, &pngWhy);
            try {
                SaveAsBitmap(Path("out.bmp"), image);
                bmpWhy = QStringLiteral("saved");
            } catch (const EImageFileError& e) {
                bmpWhy = QString::fromStdString(e.what());
            }
            return QStringLiteral("%1|%2|%3|%4|%5|%6|%7").arg(jpeg).arg(gif).arg(jpegWhy, gifWhy, bmpWhy).arg(png).arg(pngWhy);
        });
        const QStringList parts = said.split(u'|');
        ASSERT_EQ(parts.size(), 7) << said.toStdString();
        EXPECT_EQ(parts[5], "0") << "PNG reported saved";
        EXPECT_EQ(parts[6].toStdString(), tooLarge.toStdString());
        EXPECT_EQ(parts[0], "0") << "JPEG reported saved";
        EXPECT_EQ(parts[1], "0") << "GIF reported saved";
        EXPECT_EQ(parts[2].toStdString(), tooLarge.toStdString());
        EXPECT_EQ(parts[3].toStdString(), tooLarge.toStdString());
        EXPECT_EQ(parts[4].toStdString(),
                  QStringLiteral("Cannot write the file '%1': %2").arg(Path("out.bmp"), tooLarge).toStdString());
        for (const char* name : {"out.jpg", "out.gif", "out.bmp", "out.png"}) EXPECT_EQ(ReadAll(Path(name)), old) << name;
        EXPECT_EQ(FolderEntries(FDir.path()), (QStringList{"out.bmp", "out.gif", "out.jpg", "out.png"}));
    }
}
