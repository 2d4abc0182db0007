// Icons at the sizes of a desktop icon theme.
#pragma once

#include <QDir>
#include <QImage>

// Writes the icon, drawn at 256 x 256, as <name>-<N>.png for N = 16, 32,
// 48, 128 and 256 in dir. Smaller sizes are averaged down from the drawing
// with premultiplied alpha, so edges do not darken. False when a file
// cannot be written.
bool WriteIconSet(const QImage& icon256, const QDir& dir, const QString& name);
