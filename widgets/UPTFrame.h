// Framed controls: TPTFrame paints a frame (usually an etched group frame
// with a caption), TPTGroup draws the same frames around child controls.
#pragma once

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPalette>
#include <QWidget>

class QPainter;

enum class TPTFrameStyle {
    ptfsNone, ptfsGroup, ptfsLowered, ptfsRaised, ptfsDint, ptfsBump, ptfsSingle,
    ptfsHorzLine, ptfsHorzEdge, ptfsVertLine, ptfsVertEdge
};

// What a frame is drawn from.
struct TPTFrameLook {
    TPTFrameStyle Style = TPTFrameStyle::ptfsGroup;
    QString Caption;
    QFont Font;
    QColor Color;  // invalid: no colour, the background is not filled
    QPalette Palette;
    bool Enabled = true;
};

// The group frame with its caption inside `area`, background filled.
void PaintGroupFrame(QPainter& p, const QRect& area, const TPTFrameLook& look);
// The frame lines of a non-group style inside `area`.
void PaintStyleFrame(QPainter& p, const QRect& area, TPTFrameStyle style, const QPalette& palette);
// The caption of a non-group style: inset horizontally by `frameSpace`,
// vertically centred, cut with an ellipsis.
void PaintFrameCaption(QPainter& p, const QRect& area, const TPTFrameLook& look, Qt::Alignment align,
                       int frameSpace);
// How far the interior lies inside the frame of a style (the group style
// depends on the caption and font).
QMargins FrameInterior(TPTFrameStyle style, const QFont& font, const QString& caption);

// Properties and painting shared by TPTFrame and TPTGroup.
class TPTFrameBase : public QWidget {
    Q_OBJECT

public:
    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment a);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool v);
    int FrameSpace() const { return FFrameSpace; }
    void SetFrameSpace(int v);
    TPTFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TPTFrameStyle s);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& s);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& c);

    // The frame's interior within the control.
    QRect InteriorRect() const { return rect().marginsRemoved(FrameInterior(FFrameStyle, font(), FCaption)); }

signals:
    void OnPaint(QObject* sender, QPainter* canvas);

protected:
    TPTFrameBase(TPTFrameStyle style, QWidget* parent);
    TPTFrameLook Look() const;
    void changeEvent(QEvent* event) override;
    // Called when something the frame shows has changed.
    virtual void LookChanged(bool styleChanged) = 0;

private:
    Qt::Alignment FAlignment = Qt::AlignHCenter;
    bool FDefaultDrawing = true;
    int FFrameSpace = 2;
    TPTFrameStyle FFrameStyle;
    QString FCaption;
    QColor FColor;
};

class TPTFrame : public TPTFrameBase {
    Q_OBJECT

public:
    explicit TPTFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void LookChanged(bool styleChanged) override;
};

// A container whose frame surrounds its client area (the contents rectangle);
// enabling or disabling it does the same to each of its direct children.
class TPTGroup : public TPTFrameBase {
    Q_OBJECT

public:
    explicit TPTGroup(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void LookChanged(bool styleChanged) override;
};
