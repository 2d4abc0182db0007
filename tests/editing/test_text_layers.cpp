// Text layers: the smooth text against an independent rendering, the pixel
// combinations on a face, the layers they make, and the "New Text Layer"
// dialog driven by real key and mouse events.
#include "editing/FontDlg.h"
#include "editing/TextCoverage.h"
#include "editing/TextLayer.h"

#include "imageview/ViewFixture.h"
#include "imaging/Image32.h"
#include "render/LayerUtils.h"
#include "settings/AppSettings.h"
#include "settings/ProgramKey.h"
#include "support/BlendArithmetic.h"
#include "support/ModalAnswers.h"
#include "widgets/SystemColors.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {

const QString kLine = QStringLiteral("The quick brown fox jumps over the lazy d");

QFont TestFont(const char* family, double points, bool italic = false)
{
    QFont f{QString::fromLatin1(family)};
    f.setPointSizeF(points);
    f.setItalic(italic);
    return f;
}

QFont Decorated(QFont f, bool underline, bool strikeOut)
{
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    return f;
}

// The plain way, written out here: the whole text in white at 2^level times
// the size on a cleared 32-bit surface, each block's low bytes averaged
// (level 0: the platform's text at its size, the low byte as it is).
struct Coverage {
    int Width = 0, Height = 0;
    std::vector<int> Alpha;
    int At(int x, int y) const { return Alpha[std::size_t(y) * Width + x]; }
};

// Columns [x0, x0 + width) of the reference (all of it for width -1).
Coverage ReferenceCoverage(const QFont& font, const QString& text, int level, int x0 = 0, int width = -1)
{
    const int n = 1 << level;
    QFont big = font;
    big.setPointSizeF(font.pointSizeF() * n);
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QFontMetrics fm(big, &device);
    int cx = fm.horizontalAdvance(text + QLatin1Char(' '));
    const int cy = fm.height();
    if (level > 0) cx = ((cx >> level) + 1) << level;
    Coverage c;
    c.Width = width < 0 ? cx >> level : width;
    c.Height = cy >> level;
    QImage large(c.Width * n, cy, QImage::Format_ARGB32_Premultiplied);
    large.fill(0);
    {
        QPainter p(&large);
        p.setFont(big);
        p.setPen(Qt::white);
        p.drawText(QPoint(-x0 * n, fm.ascent()), text);
    }
    c.Alpha.resize(std::size_t(c.Width) * c.Height);
    for (int y = 0; y < c.Height; ++y)
        for (int x = 0; x < c.Width; ++x) {
            int s = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) s += qBlue(large.pixel(x * n + i, y * n + j));
            c.Alpha[std::size_t(y) * c.Width + x] = s / (n * n);
        }
    return c;
}

// Opaque black of coverage a blended over opaque white.
TColor32 BlackOverWhite(int a)
{
    if (a == 0) return clWhite32;
    if (a == 255) return clBlack32;
    const TColor32 alpha = TColor32(a * a + (256 - a) * 255 + 128) >> 8;
    const TColor32 grey = TColor32((256 - a) * 255 + 128) >> 8;
    return alpha << 24 | grey << 16 | grey << 8 | grey;
}

// Counts the pixels of T that differ from the reference placed at (x, y).
int Mismatches(const TBitmap32& t, const Coverage& ref, int x0, int y0)
{
    int bad = 0;
    for (int y = 0; y < t.Height(); ++y)
        for (int x = 0; x < t.Width(); ++x) {
            const int rx = x - x0, ry = y - y0;
            const int a = rx >= 0 && ry >= 0 && rx < ref.Width && ry < ref.Height ? ref.At(rx, ry) : 0;
            bad += t.PixelAt(x, y) != BlackOverWhite(a);
        }
    return bad;
}

std::vector<const TCoverageReducer*> Reducers()
{
    std::vector<const TCoverageReducer*> r{&PlainCoverageReducer()};
    if (const TCoverageReducer* s = Sse2CoverageReducer()) r.push_back(s);
    if (const TCoverageReducer* a = Avx2CoverageReducer()) r.push_back(a);
    return r;
}

struct RestoreReducer {
    const TCoverageReducer& Saved = ActiveCoverageReducer();
    ~RestoreReducer() { UseCoverageReducer(Saved); }
};

} // namespace

TEST(SmoothText, EveryLevelIsTheAverageOfTheTextDrawnWhole)
{
    RestoreReducer restore;
    struct Case {
        QFont Font;
        QString Text;
    };
    const Case cases[] = {{TestFont("DejaVu Sans", 24), kLine},
                          {TestFont("DejaVu Serif", 17, true), QStringLiteral("Àj fí Wąg Tŷ ÉQ")},
                          // A pasted line break is drawn as the platform draws it, in one line.
                          {TestFont("DejaVu Sans", 11), QStringLiteral("two\nlines")},
                          // Decorations run under the spaces too, at both ends.
                          {Decorated(TestFont("DejaVu Sans", 40), true, false), QStringLiteral("Hello World")},
                          {Decorated(TestFont("DejaVu Serif", 23), false, true), QStringLiteral(" a    b  ")},
                          {Decorated(TestFont("DejaVu Sans", 17, true), true, true), QStringLiteral("x     y")}};
    for (const Case& c : cases)
        for (int level = 0; level <= 4; ++level) {
            const Coverage ref = ReferenceCoverage(c.Font, c.Text, level);
            for (const TCoverageReducer* reducer : Reducers()) {
                UseCoverageReducer(*reducer);
                SCOPED_TRACE(testing::Message() << c.Text.toStdString() << " level " << level << " " << reducer->Name);
                // The whole text on a larger image, and a part of it on a small
                // one placed so that the text starts outside it.
                TBitmap32 whole;
                whole.SetSize(ref.Width + 9, ref.Height + 5);
                whole.Clear(clWhite32);
                whole.SetFont(c.Font);
                DrawSmoothText(whole, 4, 3, c.Text, level, clBlack32);
                EXPECT_EQ(Mismatches(whole, ref, 4, 3), 0);

                TBitmap32 part;
                part.SetSize(97, ref.Height / 2);
                part.Clear(clWhite32);
                part.SetFont(c.Font);
                DrawSmoothText(part, -131, -7, c.Text, level, clBlack32);
                EXPECT_EQ(Mismatches(part, ref, -131, -7), 0);
            }
        }
}

TEST(SmoothText, ReducersAgreeOnEveryLevelAndTail)
{
    constexpr int stride = 128;
    std::vector<TColor32> src(stride * 16);
    std::uint32_t seed = 99;
    for (TColor32& p : src) p = seed = seed * 1664525u + 1013904223u;
    std::vector<std::uint16_t> sums(stride);
    for (int level = 1; level <= 4; ++level)
        for (int blocks : {1, 3, 7, stride >> level}) {
            std::vector<TColor32> want(static_cast<std::size_t>(blocks)), got(static_cast<std::size_t>(blocks));
            PlainCoverageReducer().ReduceRow(src.data(), stride, blocks, level, 0x123456, want.data(), sums.data());
            // The plain one against a sum written out here.
            const int n = 1 << level;
            std::uint32_t s = 0;
            for (int r = 0; r < n; ++r)
                for (int c = 0; c < n; ++c) s += src[std::size_t(r) * stride + c] & 0xFF;
            EXPECT_EQ(want[0], (s / std::uint32_t(n * n)) << 24 | 0x123456u);
            for (const TCoverageReducer* r : Reducers()) {
                r->ReduceRow(src.data(), stride, blocks, level, 0x123456, got.data(), sums.data());
                EXPECT_EQ(got, want) << r->Name << " level " << level << " blocks " << blocks;
            }
        }
}

TEST(SmoothText, ALongLineInALargeFontIsDrawnInBands)
{
    // 200 characters at 72 points: the large text would be about
    // 170000 x 1800 pixels; only a band of it exists at a time.
    const QFont font = TestFont("DejaVu Sans", 72);
    QString text;
    while (text.size() < 200) text += kLine;
    text.truncate(200);
    const TBitmap32::TSize size = TextLayerSize(text, font);
    ASSERT_TRUE(TextLayerFits(size));
    TBitmap32 layer;
    layer.SetSize(size.cx, size.cy);
    layer.Clear(clWhite32);
    layer.SetFont(font);
    DrawSmoothText(layer, 0, 0, text, 4, clBlack32);

    // A stretch in the middle against the text drawn whole for just that stretch.
    const int x0 = size.cx / 2;
    const Coverage ref = ReferenceCoverage(font, text, 4, x0, 64);
    int bad = 0, inked = 0;
    for (int y = 0; y < std::min(size.cy, ref.Height); ++y)
        for (int x = 0; x < ref.Width; ++x) {
            inked += ref.At(x, y) > 0;
            bad += layer.PixelAt(x0 + x, y) != BlackOverWhite(ref.At(x, y));
        }
    EXPECT_GT(inked, 100);
    EXPECT_EQ(bad, 0);
}

TEST(TextLayerCombine, DarkeningAndLighteningOnTheFace)
{
    const TColor32 face = 0xFF4080C0;
    TColor32 d = face;
    DarkeningCombine(clWhite32, d, 0);
    EXPECT_EQ(d, face);
    DarkeningCombine(0xFF10FF20, d, 0);
    EXPECT_EQ(d, 0xFF108020u);
    DarkeningCombine(clBlack32, d, 0);
    EXPECT_EQ(d, clBlack32);

    d = face;
    LighteningCombine(clBlack32, d, 0);
    EXPECT_EQ(d, face);
    // Grey level 34 mixes by the larger channel, 35 replaces.
    LighteningCombine(0xFF222222, d, 0);
    EXPECT_EQ(d, 0xFF4080C0u);
    LighteningCombine(0x80606000, d, 0); // (61*96 + 174*96) >> 8 = 88
    EXPECT_EQ(d, 0x80606000u);
    d = 0xFF000050;
    LighteningCombine(0xFF232323, d, 0);
    EXPECT_EQ(d, 0xFF232323u);
    d = 0xFF000050;
    LighteningCombine(0x10222222, d, 0);
    EXPECT_EQ(d, 0xFF222250u);
}

TEST(TextLayer, TextIsItsColourWithTheCoverageAsAlphaBlendedOntoTheFace)
{
    ViewFixture fixture(300, 200);
    TImgView32* view = fixture.view.get();
    view->Bitmap().SetSize(300, 200);
    view->Bitmap().Clear(0xFF808080);

    TTextLayerChoice black{QStringLiteral("Wy"), TestFont("DejaVu Sans", 30), clBlack32, 4};
    TBitmapTextLayer* dark = AddTextLayerFrom(view, black);
    ASSERT_NE(dark, nullptr);
    EXPECT_EQ(dark->Tag, 1);
    EXPECT_EQ(dark->Params.Text, black.Text);
    EXPECT_EQ(dark->Params.TextColor, clBlack32);
    EXPECT_EQ(dark->Params.Level, 4);
    EXPECT_EQ(dark->Bitmap().DrawMode, dmBlend);
    EXPECT_EQ(dark->Bitmap().StretchFilter, sfLinear);
    const TBitmap32::TSize size = TextLayerSize(black.Text, black.Font);
    EXPECT_EQ(dark->Bitmap().Width(), size.cx);
    EXPECT_EQ(dark->Bitmap().Height(), size.cy);

    // The alpha is the coverage the smooth text blends with: the same text
    // blended onto a white picture gives the same picture as the layer on white.
    TBitmap32 onWhite;
    onWhite.SetSize(size.cx, size.cy);
    onWhite.Clear(clWhite32);
    onWhite.SetFont(black.Font);
    DrawSmoothText(onWhite, 0, 0, black.Text, 4, clBlack32);

    // At whole pixels the layer is drawn unscaled: every face pixel under it
    // is the layer's pixel blended onto the face, with no other colour.
    const TColor32 face = 0xFF808080;
    const TRect r{10, 20, 10 + size.cx, 20 + size.cy};
    auto blended = [&](TBitmapTextLayer* layer, TColor32 rgb) {
        layer->SetBounds(TRealRect{10, 20, float(r.Right), float(r.Bottom)});
        TBitmap32 flat;
        FlattenView(view, flat);
        int good = 0, inked = 0, solid = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                const TColor32 p = layer->Bitmap().PixelAt(x - r.Left, y - r.Top);
                EXPECT_EQ(p & 0x00FFFFFFu, rgb);
                inked += (p >> 24) != 0;
                solid += (p >> 24) == 255;
                good += ((flat.PixelAt(x, y) ^ BlendedOnto(p, face)) & 0x00FFFFFFu) == 0;
            }
        EXPECT_GT(inked, 0);
        EXPECT_GT(solid, 0);
        return good;
    };
    EXPECT_EQ(blended(dark, 0), r.Width() * r.Height());
    TBitmap32 darkOnWhite;
    darkOnWhite.SetSize(size.cx, size.cy);
    darkOnWhite.Clear(clWhite32);
    darkOnWhite.DrawAt(0, 0, dark->Bitmap());
    EXPECT_EQ(std::memcmp(darkOnWhite.Bits(), onWhite.Bits(), std::size_t(size.cx) * size.cy * 4), 0);

    // Yellow text: the same, with no dark fringe.
    view->Layers().Clear();
    TBitmapTextLayer* light = AddTextLayerFrom(view, {QStringLiteral("Wy"), black.Font, 0xFFFFFF00, 0});
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(blended(light, 0xFFFF00), r.Width() * r.Height());
}

// One pixel of coverage on one pixel of face, worked out by hand:
// each channel (a * text + (256 - a) * face + 128) >> 8.
TEST(TextLayer, CoverageBlendsOntoTheFaceColour)
{
    ViewFixture fixture(50, 50);
    TImgView32* view = fixture.view.get();
    struct Case {
        TColor32 Text, Face;
        int Alpha;
        TColor32 Want;
    };
    const Case cases[] = {
        {clBlack32, clWhite32, 128, 0xFF808080u},  // half black on white
        {clWhite32, clBlack32, 64, 0xFF404040u},   // a quarter white on black
        {0xFFFFFF00, 0xFF0000FF, 192, 0xFFBFBF40u}, // yellow on blue
        {0xFFFFFF00, 0xFF0000FF, 0, 0xFF0000FFu},   // no coverage: the face
        {0xFFFFFF00, 0xFF0000FF, 255, 0xFFFFFF00u}, // full coverage: the text
    };
    for (const Case& c : cases) {
        view->Layers().Clear();
        view->Bitmap().SetSize(3, 3);
        view->Bitmap().Clear(c.Face);
        TBitmapTextLayer* layer = view->Layers().Add<TBitmapTextLayer>();
        TBitmap32 picture;
        picture.SetSize(1, 1);
        picture.Clear(TColor32(c.Alpha) << 24 | (c.Text & 0x00FFFFFFu));
        TTextLayerParams params;
        params.TextColor = c.Text;
        SetTextLayerPicture(*layer, picture, params);
        layer->SetBounds(TRealRect{1, 1, 2, 2});
        TBitmap32 flat;
        FlattenView(view, flat);
        // The colour; the flattened picture's alpha says nothing.
        EXPECT_EQ(flat.PixelAt(1, 1) & 0x00FFFFFFu, c.Want & 0x00FFFFFFu)
            << std::hex << c.Text << " on " << c.Face << " at " << c.Alpha;
        EXPECT_EQ(flat.PixelAt(0, 0) & 0x00FFFFFFu, c.Face & 0x00FFFFFFu);
    }
}

TEST(TextLayer, ATextBeyondTheImageLimitsMakesNoLayer)
{
    ViewFixture fixture(300, 200);
    TImgView32* view = fixture.view.get();
    view->Bitmap().SetSize(300, 200);
    view->Bitmap().Clear(clWhite32);
    const QString longText = kLine.repeated(60); // about 2500 characters
    EXPECT_EQ(AddTextLayerFrom(view, {longText, TestFont("DejaVu Sans", 72), clBlack32, 4}), nullptr);
    EXPECT_EQ(AddTextLayerFrom(view, {QString(QChar(0x200B)), TestFont("DejaVu Sans", 12), clBlack32, 0}), nullptr);
    EXPECT_EQ(view->Layers().Count(), 0);
}

namespace {

struct FontDialogFixture : ::testing::Test {
    std::unique_ptr<TFontDlgFrm> dlg = std::make_unique<TFontDlgFrm>(nullptr, DialogKey(QStringLiteral("Font")));
    void SetUp() override
    {
        dlg->show();
        (void)QTest::qWaitForWindowExposed(dlg.get());
        dlg->activateWindow();
    }
    TBitmap32& Preview() { return dlg->ImgText->Bitmap(); }
    // The preview as a fresh bitmap draws it, on a face colour (or, with
    // none, on the checkerboard).
    bool PreviewIs(const QString& text, int level, std::optional<TColor32> background, TColor32 color)
    {
        TBitmap32 want;
        want.SetSize(Preview().Width(), Preview().Height());
        if (background)
            want.Clear(*background);
        else
            DrawCheckerboard(want, false);
        want.SetFont(Preview().Font());
        DrawSmoothText(want, 10, 10, text, level, color);
        return std::memcmp(want.Bits(), Preview().Bits(), std::size_t(want.Width()) * want.Height() * 4) == 0;
    }
};

} // namespace

TEST_F(FontDialogFixture, TypingPreviewsTheTextAndEnterConfirms)
{
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("New Text Layer"));
    EXPECT_EQ(Preview().Width(), 343);
    EXPECT_EQ(Preview().Height(), 64);
    EXPECT_EQ(dlg->cbAAQuality->currentText(), QStringLiteral("None"));
    EXPECT_FALSE(dlg->btnOk->isEnabled());

    QTest::keyClicks(dlg->mmoText, QStringLiteral("Ab"));
    EXPECT_TRUE(dlg->btnOk->isEnabled());
    const TColor32 textColor = 0xFF000000u | (SysColor(TSysColor::WindowText, dlg->palette()).rgb() & 0xFFFFFF);
    EXPECT_TRUE(PreviewIs(QStringLiteral("Ab"), 0, std::nullopt, textColor));

    dlg->cbAAQuality->setCurrentIndex(0);
    EXPECT_TRUE(PreviewIs(QStringLiteral("Ab"), 4, std::nullopt, textColor));

    QTest::keyClick(dlg->mmoText, Qt::Key_Backspace);
    QTest::keyClick(dlg->mmoText, Qt::Key_Backspace);
    EXPECT_FALSE(dlg->btnOk->isEnabled());
    QTest::keyClick(dlg->mmoText, Qt::Key_Return); // nothing to confirm
    EXPECT_TRUE(dlg->isVisible());

    QTest::keyClicks(dlg->mmoText, QStringLiteral("Hi"));
    QTest::keyClick(dlg->mmoText, Qt::Key_Return);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    const TTextLayerChoice c = dlg->Choice();
    EXPECT_EQ(c.Text, QStringLiteral("Hi")); // no line break
    EXPECT_EQ(c.Level, 4);
    EXPECT_EQ(c.TextColor, textColor);
}

TEST_F(FontDialogFixture, TextIsPreviewedOnTheFaceColourOrACheckerboard)
{
    QTest::keyClicks(dlg->mmoText, QStringLiteral("W"));
    // The colour dialog opens on the text's colour each time.
    QColor opened;
    const QColor windowText = SysColor(TSysColor::WindowText, dlg->palette());
    AnswerWith<QColorDialog>([&](QColorDialog* colors) {
        opened = colors->currentColor();
        colors->setCurrentColor(QColor(0x12, 0x34, 0x56));
        colors->accept();
    });
    QTest::mouseClick(dlg->btnColor, Qt::LeftButton);
    EXPECT_EQ(opened.rgb(), windowText.rgb());
    AnswerWith<QColorDialog>([&](QColorDialog* colors) {
        opened = colors->currentColor();
        colors->setCurrentColor(Qt::white);
        colors->accept();
    });
    QTest::mouseClick(dlg->btnColor, Qt::LeftButton);
    EXPECT_EQ(opened.rgb(), QColor(0x12, 0x34, 0x56).rgb());
    // White text with no face behind it: on the checkerboard.
    EXPECT_FALSE(dlg->PreviewBackground().isValid());
    EXPECT_TRUE(PreviewIs(QStringLiteral("W"), 0, std::nullopt, clWhite32));
    // On a face: on the face's colour.
    dlg->SetPreviewBackground(QColor(0x20, 0x40, 0x80));
    EXPECT_EQ(dlg->PreviewBackground(), QColor(0x20, 0x40, 0x80));
    EXPECT_TRUE(PreviewIs(QStringLiteral("W"), 0, 0xFF204080u, clWhite32));
    EXPECT_EQ(dlg->Choice().TextColor, clWhite32);
}

TEST_F(FontDialogFixture, TooLargeATextIsRefusedOnceAndTheDialogStays)
{
    dlg->ImgText->Bitmap().SetFont(TestFont("DejaVu Sans", 72));
    dlg->mmoText->setPlainText(kLine.repeated(20));
    // No box while typing, one at OK (any other box fails the test).
    QTest::keyClicks(dlg->mmoText, QStringLiteral("abc"));
    QTest::qWait(20);
    const TAnswer refusal = AnswerBox(QMessageBox::Ok);
    QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    EXPECT_TRUE(refusal->Text.contains(QStringLiteral("too large")));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_NE(dlg->result(), QDialog::Accepted);
}

TEST_F(FontDialogFixture, CustomColoursAreStoredWhenTheDialogCloses)
{
    QColorDialog::setCustomColor(0, QColor(0x11, 0x22, 0x33));
    QTest::mouseClick(dlg->Button2, Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(AppSettings(0)->CustomColors().contains(QStringLiteral("ColorA=332211")));
}

TEST(TextLayerDialog, ExecuteHandsOverTheChoice)
{
    AnswerWith<TFontDlgFrm>([](TFontDlgFrm* dlg) {
        dlg->cbAAQuality->setCurrentIndex(2);
        QTest::keyClicks(dlg->mmoText, QStringLiteral("Side"));
        QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
    });
    TTextLayerChoice choice;
    ASSERT_TRUE(ExecuteTextLayerDialog(choice));
    EXPECT_EQ(choice.Text, QStringLiteral("Side"));
    EXPECT_EQ(choice.Level, 2);
}
