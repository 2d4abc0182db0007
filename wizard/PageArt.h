// The wizard page's artwork: the banner handed to the host and the 16 x 16
// image list of the instructions, layer commands and template picker.
#pragma once

#include "widgets/ImageList.h"

#include <QIcon>
#include <QPixmap>

constexpr int kPageGlyphSize = 16;
// Places 0..19 of the image list.
constexpr int kPageGlyphCount = 20;

// Image2 of the page, 216 x 57.
QPixmap PageBanner();
// Pictures of the image list: 0 and 1 (instruction pictures), 5..13, 16, 17,
// 18 (layer commands), 19 ("Edit Templates..."). Other indexes give a null pixmap.
QPixmap PageGlyphPixmap(int index);
QIcon PageGlyph(int index);
// The glyph of the Select button.
QPixmap SelectGlyph();
// The whole list, for the HTML labels' "idx:N" pictures (places without a
// picture are transparent). Needs a running application.
const TImageList& PageImageList();
