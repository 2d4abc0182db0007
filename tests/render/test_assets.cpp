// The embedded pictures: the generator reproduces the committed files, and
// the files load with the sizes and shapes the renderer relies on.
#include "tools/assetgen/AssetArt.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> ReadCommitted(const char* name)
{
    QFile file(QStringLiteral(CUBIFORM_SOURCE_DIR "/render/bitmaps/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

} // namespace

TEST(RenderAssets, GeneratorReproducesTheCommittedFiles)
{
    TBitmap32 bookTop, shadow, shadowRight;
    assetart::DrawBookTop(bookTop);
    assetart::DrawShadow(shadow, false);
    assetart::DrawShadow(shadowRight, true);
    EXPECT_EQ(assetart::EncodeBmp24(bookTop), ReadCommitted("BOOKTOP.bmp"));
    EXPECT_EQ(assetart::EncodeShadowBmp8(shadow), ReadCommitted("SHADOW.bmp"));
    EXPECT_EQ(assetart::EncodeShadowBmp8(shadowRight), ReadCommitted("SHADOW_R.bmp"));
}

TEST(RenderAssets, ShadowFilesArePaletteGreys)
{
    for (const char* name : {":/bitmaps/SHADOW", ":/bitmaps/SHADOW_R"}) {
        SCOPED_TRACE(name);
        const QImage image(QString::fromLatin1(name), "BMP");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), 123);
        EXPECT_EQ(image.height(), 97);
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        ASSERT_EQ(image.colorCount(), 106);
        for (QRgb c : image.colorTable()) {
            EXPECT_EQ(qRed(c), qGreen(c));
            EXPECT_EQ(qRed(c), qBlue(c));
        }
    }
}

TEST(RenderAssets, ShadowIsDarkestInItsCornerAndMirrored)
{
    TBitmap32 left, right;
    ASSERT_TRUE(LoadBitmapResource(QStringLiteral("SHADOW"), left));
    ASSERT_TRUE(LoadBitmapResource(QStringLiteral("SHADOW_R"), right));
    ASSERT_EQ(left.Width(), 123);
    ASSERT_EQ(left.Height(), 97);
    int darkest = 255;
    for (int y = 0; y < 97; ++y)
        for (int x = 0; x < 123; ++x) {
            const TColor32 c = left.PixelAt(x, y);
            ASSERT_EQ(AlphaComponent(c), 255);
            ASSERT_EQ(RedComponent(c), BlueComponent(c));
            darkest = std::min<int>(darkest, RedComponent(c));
            ASSERT_EQ(c, right.PixelAt(122 - x, y)) << x << "," << y;
        }
    EXPECT_EQ(darkest, 186);
    EXPECT_EQ(left.PixelAt(122, 96), Color32(186, 186, 186));
    // Fading to white towards the left and the top, with a rounded outline.
    EXPECT_EQ(left.PixelAt(0, 96), clWhite32);
    EXPECT_EQ(left.PixelAt(122, 0), clWhite32);
    EXPECT_EQ(left.PixelAt(0, 0), clWhite32);
    EXPECT_LT(RedComponent(left.PixelAt(61, 96)), RedComponent(left.PixelAt(30, 96)));
    EXPECT_LT(RedComponent(left.PixelAt(122, 48)), RedComponent(left.PixelAt(122, 24)));
    EXPECT_LT(RedComponent(left.PixelAt(80, 70)), 255);
    EXPECT_EQ(left.PixelAt(20, 10), clWhite32);
}

TEST(RenderAssets, BookTopIsAnOpaquePageBlock)
{
    TBitmap32 top;
    ASSERT_TRUE(LoadBitmapResource(QStringLiteral("BOOKTOP"), top));
    ASSERT_EQ(top.Width(), 255);
    ASSERT_EQ(top.Height(), 37);
    int drawn = 0;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 255; ++x) {
            ASSERT_EQ(AlphaComponent(top.PixelAt(x, y)), 255);
            if (top.PixelAt(x, y) != clWhite32) ++drawn;
        }
    EXPECT_GT(drawn, 1500);
    EXPECT_EQ(top.PixelAt(0, 0), clWhite32);   // above the slanted block
    EXPECT_EQ(top.PixelAt(254, 36), clWhite32); // below its far end
}
