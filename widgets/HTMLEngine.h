// Lays out and draws prepared HTML label mark-up line by line. Each line is
// run twice: a measuring pass finds where it ends and how wide and high it is,
// then a drawing pass places its text and images at the paragraph alignment.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QRect>
#include <QString>

class QPainter;
class QPaintDevice;
class TImageList;
class TPictureContainer;

enum class THTMLPass {
    Measure,  // every line, nothing drawn, no clipping at the bottom
    Draw,     // lines drawn until one would start below the rectangle
    HitTest,  // like Draw, but only the anchors' boxes are collected
};

struct THTMLOptions {
    QFont Font;        // the label's own font
    QColor FontColor;  // the label's own font colour
    QColor URLColor = QColor(0, 0, 255);        // invalid: anchors keep the text colour
    QColor ShadowColor = QColor(128, 128, 128);  // invalid: the shadow takes the text colour
    int ShadowOffset = 2;
    bool WordWrap = true;
    bool Ellipsis = false;
    bool Hover = false;
    QColor HoverColor;      // invalid: background left unchanged
    QColor HoverFontColor;  // invalid: font colour left unchanged
    int HoverAnchor = -1;   // number of the anchor under the mouse
    const TImageList* Images = nullptr;
    const TPictureContainer* Pictures = nullptr;
    double ImageScale = 1.0;         // screen pixels per logical inch over 96
    QPalette Palette;                // system colours
    const QPaintDevice* Device = nullptr;  // resolution for font metrics
};

struct THTMLAnchorBox {
    int Index = -1;  // anchors are numbered from 0 in text order
    QString Href;
    QRect Box;
};

struct THTMLResult {
    int Width = 0;   // the widest line
    int Height = 0;  // all lines laid out (the text height of "gh" when empty)
    int Lines = 0;
    QList<THTMLAnchorBox> Anchors;  // only from the Draw and HitTest passes
};

// `text` comes from PrepareHTMLText. `painter` is used only by the Draw pass.
THTMLResult RenderHTML(const QString& text, const QRect& rect, const THTMLOptions& options,
                       THTMLPass pass, QPainter* painter = nullptr);

// Platform text height (with external leading) of "gh" in the given font.
int HTMLTextHeight(const QFont& font, const QPaintDevice* device);
