// TCustomImgView32 / TImgView32: the scrollable, zoomable image view. The
// bitmap is shown at Scale and placed by two range bars; a centred view keeps
// a bitmap smaller than the viewport in its middle.
#pragma once

#include "Image32.h"
#include "RangeBar.h"

class QScrollBar;
class QSizeGrip;

enum TSizeGripStyle { sgAuto, sgNone, sgAlways };

struct TScrollBarSettings {
    // Width of the bars' strip; 0 means the style's scroll bar extent.
    int Size = 0;
    // Step of the bars' arrows.
    int Increment = 8;
};

class TCustomImgView32 : public TCustomImage32 {
public:
    explicit TCustomImgView32(QWidget* parent = nullptr);

    bool Centered() const { return FCentered; }
    void SetCentered(bool centered);
    const TScrollBarSettings& ScrollBars() const { return FScrollBars; }
    void SetScrollBars(const TScrollBarSettings& settings);
    TSizeGripStyle SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(TSizeGripStyle style);

    double HorzPosition() const { return FHorz.Position(); }
    double VertPosition() const { return FVert.Position(); }
    // Scrolls to the given bar positions (clamped), as the bars do.
    void ScrollTo(double horz, double vert);
    QScrollBar* HorzScrollBar() const { return FHorzBar; }
    QScrollBar* VertScrollBar() const { return FVertBar; }
    // Whether the corner square shows the size grip.
    bool GripShown() const;

    QRect ViewportWidgetRect() const override;

    // Whether the scroll range also takes in the visible layers placed on the
    // image (and the handles of a selection frame), so that a layer reaching
    // past the image, or an image with nothing but layers, can be scrolled
    // into view. Off: the range is the image's.
    bool RangeCoversLayers() const { return FCoversLayers; }
    void SetRangeCoversLayers(bool covers);

    // TLayerHost
    void LayersChanged() override;
    void LayerContentChanged() override;

protected:
    void ViewportResized() override;
    void BitmapResized() override;
    void ScaleChanged() override;
    void UpdateOffsets() override;
    void PaintOverlay(QPainter& painter) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What the bars scroll over, in displayed pixels with the image's upper
    // left at (0, 0).
    struct TExtent {
        int Left = 0, Top = 0, Right = 0, Bottom = 0;
        friend bool operator==(const TExtent&, const TExtent&) = default;
    };
    TExtent ContentExtent();
    // After a change of the layers: the new extent, with the image staying
    // where it is on the screen as far as the new range allows. Put off
    // while a layer is dragged (it would move under the pointer) or while
    // the layers are being changed together.
    void LayerExtentChanged();
    int StripSize() const;
    void LayoutBars();
    void UpdateRanges();
    void SyncBars();
    bool FillsParents() const;

    bool FCentered = true;
    TScrollBarSettings FScrollBars;
    TSizeGripStyle FSizeGrip = sgAuto;
    TRangeBarModel FHorz, FVert;
    QScrollBar* FHorzBar;
    QScrollBar* FVertBar;
    QSizeGrip* FGrip;
    bool FSyncing = false;
    bool FCoversLayers = false;
    TExtent FExtent;
};

class TImgView32 : public TCustomImgView32 {
public:
    explicit TImgView32(QWidget* parent = nullptr) : TCustomImgView32(parent) {}
};
