// The custom colours of the colour dialog as kept in the application
// settings: one line per colour, "ColorA=RRGGBB"-style names A to P with six
// hex digits in the Windows colour order (blue in the high byte, red in the
// low byte), the same lines a Windows export of the key holds.
#pragma once

#include <QColor>
#include <QStringList>

#include <array>

constexpr int kCustomColorCount = 16;
using TCustomColors = std::array<QColor, kCustomColorCount>;

// The colours the lines give; an entry no line gives stays white. Lines that
// cannot be read are skipped.
TCustomColors ParseCustomColors(const QStringList& lines);
// Sixteen lines, "ColorA=..." to "ColorP=...".
QStringList FormatCustomColors(const TCustomColors& colors);

// Between the application settings and the colour dialog's custom colours
// (which Qt keeps for the whole process).
void LoadCustomColorsIntoDialog();
void StoreCustomColorsFromDialog();
