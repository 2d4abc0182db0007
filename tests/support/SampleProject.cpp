#include "support/SampleProject.h"

#include "codecs/ImageFiles.h"
#include "imaging/Bitmap32.h"

#include <cstring>

namespace {

TPixelBuffer Picture(const TBitmap32& b)
{
    TPixelBuffer p;
    p.Width = b.Width();
    p.Height = b.Height();
    p.Pixels.assign(b.Bits(), b.Bits() + std::size_t(p.Width) * std::size_t(p.Height));
    return p;
}

TPixelBuffer Face(const QString& fileName)
{
    TBitmap32 b;
    LoadImageFile(fileName, b, TTransparency::OnWhite);
    TPixelBuffer p = Picture(b);
    for (TColor32& c : p.Pixels) c |= 0xFF000000u;
    return p;
}

// Colour bands whose alpha falls from left to right.
TPixelBuffer SeeThrough(int w, int h, TColor32 rgb)
{
    TPixelBuffer p{w, h, std::vector<TColor32>(std::size_t(w) * std::size_t(h))};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.Row(y)[x] = (TColor32(255 - 255 * x / w) << 24) | ((rgb + TColor32(y * 0x030201)) & 0xFFFFFFu);
    return p;
}

} // namespace

TProjectDocument SampleProject(const QString& samplesFolder)
{
    TProjectDocument doc;
    doc.Style = 1;
    doc.Shadow = true;
    doc.DefaultSize = false;
    doc.Faces[pfFront].Base = Face(samplesFolder + "/GreyfinchFront.jpg");
    doc.Faces[pfSide].Base = Face(samplesFolder + "/GreyfinchSide.jpg");
    doc.Faces[pfTop].Base = Face(samplesFolder + "/GreyfinchTop.jpg");

    TProjectLayer picture;
    picture.Bounds = {10.25f, 20.5f, 130.75f, 90.5f};
    picture.Picture = SeeThrough(60, 40, 0x2050A0);
    TProjectLayer text;
    text.Kind = TProjectLayerKind::Text;
    text.Bounds = {30, 150, 90, 170};
    text.Picture = SeeThrough(60, 20, 0xFFCC00);
    text.Text = {QStringLiteral("Sale"), QStringLiteral("DejaVu Sans,14,-1,5,700,0,0,0,0,0"), 0xFFFFCC00u, 2, 0};
    TProjectLayer hidden;
    hidden.Bounds = {0, 0, 200, 200};
    hidden.Visible = false;
    hidden.Picture = SeeThrough(4, 4, 0xFF0000);
    doc.Faces[pfFront].Layers = {picture, text, hidden};
    TProjectLayer past;
    past.Bounds = {-15, -10, 40.5f, 60};
    past.Picture = SeeThrough(30, 35, 0x10E010);
    for (TColor32& c : past.Picture.Pixels) c |= 0xFF000000u; // opaque: drawn without blending
    doc.Faces[pfSide].Layers = {past};
    return doc;
}
