// A face picture with its filtered reductions, for drawing it smaller than
// it is without aliasing.
//
// Level (lx, ly) is the picture with its width halved lx times and its height
// halved ly times (each step a two-pixel box average, the last pixel of an
// odd size averaging three), so a face seen at a slant is reduced along the
// squeezed axis only. Every level carries a one-pixel border repeating its
// edge pixels: bilinear samples at the face's edge never read past it.
//
// Levels are made when first asked for and kept until Trim drops the ones a
// frame did not use, so re-rendering the same face at other angles reuses
// them; a new picture of the same size is written into the storage of the
// old one's levels. Colour words are premultiplied (faces are opaque anyway).
#pragma once

#include "imaging/Bitmap32.h"

#include <cstdint>
#include <memory>
#include <vector>

class TFaceLevels {
public:
    struct TLevel {
        int Width = 0, Height = 0;               // the picture without its border
        std::unique_ptr<TColor32[]> Pixels;      // (Width + 2) x (Height + 2), border included
        bool Used = false;
        bool Stale = false; // of the picture before: remade when asked for
        int Stride() const { return Width + 2; }
        std::size_t Count() const { return std::size_t(Width + 2) * std::size_t(Height + 2); }
    };

    // Takes a copy of the pixels (a width x height block, `stride` words a
    // row), each that is not opaque passed through `convert` when given, as
    // level (0, 0); every other level is to be made again.
    void Assign(const TColor32* pixels, int width, int height, int stride, TColor32 (*convert)(TColor32) = nullptr);
    void Assign(const TBitmap32& picture) { Assign(picture.Bits(), picture.Width(), picture.Height(), picture.Width()); }
    // A 1 x 1 picture of one colour.
    void AssignColour(TColor32 colour) { Assign(&colour, 1, 1, 1); }
    void Clear();

    bool IsEmpty() const { return FLevels.empty(); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Highest level along each axis: the one that is 1 pixel wide (high).
    int MaxLevelX() const { return FCountX - 1; }
    int MaxLevelY() const { return FCountY - 1; }

    // The level, made from the nearest coarser-than-the-picture level when
    // first asked for; marks it used. Levels outside the range are clamped.
    const TLevel& Level(int lx, int ly);
    bool HasLevel(int lx, int ly) const;
    // Bytes held by all levels made so far.
    std::int64_t Bytes() const;
    // Drops the reductions not used since the last Trim while the levels
    // hold more than `keepBytes`; level (0, 0) always stays. Clears the
    // use marks.
    void Trim(std::int64_t keepBytes);

private:
    std::unique_ptr<TLevel>& Slot(int lx, int ly) { return FLevels[std::size_t(ly) * FCountX + lx]; }
    // The level's slot ready to be written: its storage when it has one.
    TLevel& Fresh(int lx, int ly, int width, int height);

    int FWidth = 0, FHeight = 0;
    int FCountX = 0, FCountY = 0;
    std::vector<std::unique_ptr<TLevel>> FLevels; // row ly, column lx
};
