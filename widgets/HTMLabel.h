// A label that renders HTML-like mark-up with word wrapping, inline images
// and clickable anchors.
#pragma once

#include "widgets/HTMLEngine.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

class TImageList;
class TPictureContainer;

enum class TAutoSizeType { asVertical, asHorizontal, asBoth };
enum class TVAlignment { tvaTop, tvaCenter, tvaBottom };
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TBorderStyle { bsNone, bsSingle };

class THTMLabel : public QWidget {
    Q_OBJECT

public:
    explicit THTMLabel(QWidget* parent = nullptr);

    QStringList HTMLText() const { return FHTMLText; }
    void SetHTMLText(const QStringList& lines);

    const TImageList* Images() const { return FImages; }
    void SetImages(const TImageList* images);
    const TPictureContainer* PictureContainer() const { return FPictures; }
    void SetPictureContainer(const TPictureContainer* pictures);

    // Colours: an invalid QColor stands for "none" (the colour is left unchanged).
    QColor URLColor() const { return FURLColor; }
    void SetURLColor(const QColor& c) { SetAndRepaint(FURLColor, c); }
    QColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(const QColor& c) { SetAndRepaint(FShadowColor, c); }
    int ShadowOffset() const { return FShadowOffset; }
    void SetShadowOffset(int v) { SetAndRepaint(FShadowOffset, v); }
    bool Hover() const { return FHover; }
    void SetHover(bool v) { SetAndRepaint(FHover, v); }
    QColor HoverColor() const { return FHoverColor; }
    void SetHoverColor(const QColor& c) { SetAndRepaint(FHoverColor, c); }
    QColor HoverFontColor() const { return FHoverFontColor; }
    void SetHoverFontColor(const QColor& c) { SetAndRepaint(FHoverFontColor, c); }
    bool AnchorHint() const { return FAnchorHint; }
    void SetAnchorHint(bool v) { FAnchorHint = v; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool v) { SetAndRelayout(FWordWrap, v); }
    bool Ellipsis() const { return FEllipsis; }
    void SetEllipsis(bool v) { SetAndRepaint(FEllipsis, v); }
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment v) { SetAndRepaint(FVAlignment, v); }
    bool AutoSizing() const { return FAutoSizing; }
    void SetAutoSizing(bool v) { SetAndRelayout(FAutoSizing, v); }
    TAutoSizeType AutoSizeType() const { return FAutoSizeType; }
    void SetAutoSizeType(TAutoSizeType v) { SetAndRelayout(FAutoSizeType, v); }
    // The control colour that fills the label; invalid: the palette's window colour.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& c) { SetAndRepaint(FColor, c); }

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut v) { SetAndRelayout(FBevelInner, v); }
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut v) { SetAndRelayout(FBevelOuter, v); }
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int v) { SetAndRelayout(FBevelWidth, qMax(1, v)); }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int v) { SetAndRelayout(FBorderWidth, qMax(0, v)); }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle v) { SetAndRelayout(FBorderStyle, v); }

    // The rectangle the text is laid out in: the control less bevels and border.
    QRect TextRect() const;
    // Width and height of the laid-out text within the current width.
    QSize TextExtent() const;
    // The anchor at a point of the control: its href, or an empty string.
    QString AnchorAt(const QPoint& pos) const;
    // The anchor the mouse is over, or -1.
    int HoverAnchor() const { return FHoverAnchor; }

    QSize sizeHint() const override;

signals:
    void OnAnchorClick(THTMLabel* sender, const QString& href);
    void OnAnchorEnter(THTMLabel* sender, const QString& href);
    void OnAnchorExit(THTMLabel* sender, const QString& href);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    template <class T> void SetAndRepaint(T& field, const T& value)
    {
        if (field == value) return;
        field = value;
        update();
    }
    template <class T> void SetAndRelayout(T& field, const T& value)
    {
        if (field == value) return;
        field = value;
        Relayout();
    }
    void Relayout();
    void DoAutoSize();
    THTMLOptions Options() const;
    THTMLAnchorBox HitTest(const QPoint& pos) const;
    void SetHoverAnchor(const THTMLAnchorBox& hit);

    QStringList FHTMLText;
    QString FPrepared;
    const TImageList* FImages = nullptr;
    const TPictureContainer* FPictures = nullptr;
    QColor FURLColor = QColor(0, 0, 255);
    QColor FShadowColor = QColor(128, 128, 128);
    int FShadowOffset = 2;
    bool FHover = false;
    QColor FHoverColor;
    QColor FHoverFontColor;
    bool FAnchorHint = false;
    bool FWordWrap = true;
    bool FEllipsis = false;
    TVAlignment FVAlignment = TVAlignment::tvaTop;
    bool FAutoSizing = false;
    TAutoSizeType FAutoSizeType = TAutoSizeType::asVertical;
    QColor FColor;
    TBevelCut FBevelInner = TBevelCut::bvNone;
    TBevelCut FBevelOuter = TBevelCut::bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TBorderStyle FBorderStyle = TBorderStyle::bsNone;

    int FHoverAnchor = -1;
    QString FHoverHref;
    bool FInAutoSize = false;
};
