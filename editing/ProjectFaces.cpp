#include "editing/ProjectFaces.h"

#include <algorithm>
#include <cstring>

namespace {

void CopyPicture(const TPixelBuffer& picture, TBitmap32& bitmap)
{
    bitmap.SetSize(0, 0);
    if (picture.IsEmpty()) return;
    bitmap.SetSize(picture.Width, picture.Height);
    std::memcpy(bitmap.Bits(), picture.Pixels.data(), picture.Pixels.size() * sizeof(TColor32));
}

void SetDrawSettings(TBitmap32& bitmap, TDrawMode mode)
{
    bitmap.DrawMode = mode;
    bitmap.MasterAlpha = 255;
    bitmap.StretchFilter = sfLinear;
    bitmap.OnPixelCombine = nullptr;
}

bool HasSeeThroughPixel(const TPixelBuffer& picture)
{
    return std::any_of(picture.Pixels.begin(), picture.Pixels.end(), [](TColor32 c) { return (c >> 24) != 255; });
}

} // namespace

void ProjectLayerBitmap(const TProjectLayer& layer, TBitmap32& bitmap)
{
    CopyPicture(layer.Picture, bitmap);
    const bool blended = layer.Kind == TProjectLayerKind::Text || HasSeeThroughPixel(layer.Picture);
    SetDrawSettings(bitmap, blended ? dmBlend : dmOpaque);
    if (layer.Kind == TProjectLayerKind::Text) bitmap.OuterColor = layer.Text.Color & 0x00FFFFFFu;
}

void ProjectBaseBitmap(const TProjectFace& face, TBitmap32& bitmap)
{
    CopyPicture(face.Base, bitmap);
    SetDrawSettings(bitmap, dmOpaque);
}

void ProjectPictureOf(const TBitmap32& bitmap, TPixelBuffer& picture)
{
    picture.Width = bitmap.IsEmpty() ? 0 : bitmap.Width();
    picture.Height = bitmap.IsEmpty() ? 0 : bitmap.Height();
    const std::size_t n = std::size_t(picture.Width) * std::size_t(picture.Height);
    picture.Pixels.assign(bitmap.Bits(), bitmap.Bits() + n);
    if (bitmap.DrawMode == dmOpaque)
        for (TColor32& c : picture.Pixels) c |= 0xFF000000u;
}

void FlattenProjectFace(const TProjectFace& face, TBitmap32& flat)
{
    ProjectBaseBitmap(face, flat);
    if (flat.IsEmpty()) return;
    TBitmap32 picture;
    for (const TProjectLayer& layer : face.Layers) {
        if (!layer.Visible || layer.Picture.IsEmpty()) continue;
        const TRect dest = RoundRect(layer.Bounds);
        if (dest.IsEmpty()) continue;
        ProjectLayerBitmap(layer, picture);
        flat.DrawScaled(dest, picture.BoundsRect(), picture);
    }
}

void ProjectDefaultSize(const TProjectDocument& doc, int& width, int& height)
{
    const bool given = doc.Width > 0 && doc.Height > 0;
    width = given ? doc.Width : 250;
    height = given ? doc.Height : 300;
}
