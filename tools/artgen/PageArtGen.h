// The wizard page's artwork, written into the "page" folder of the output folder.
#pragma once

#include <QDir>

bool WritePageArt(const QDir& outputFolder);
