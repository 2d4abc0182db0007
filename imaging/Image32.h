// TCustomImage32: an image control that shows one TBitmap32 with a stack of
// layers over it, paints itself in stages and routes the mouse to its layers.
// TImage32 is the plain control (bitmap at its own size, top left).
#pragma once

#include "Layers.h"
#include "PaintBox32.h"
#include "ViewMapping.h"

#include <QColor>

#include <functional>
#include <vector>

enum TScaleMode { smNormal, smScale };
enum TBitmapAlign { baTopLeft, baCenter, baCustom };

// Paint stage kinds.
constexpr unsigned stageCustom = 1;          // calls OnPaintStage
constexpr unsigned stageClearBuffer = 2;     // the whole buffer in the view colour
constexpr unsigned stageClearBackground = 3; // the area around the bitmap in the view colour
constexpr unsigned stageDrawBitmap = 4;
constexpr unsigned stageDrawLayers = 5;      // parameter: option mask of the layers drawn
constexpr unsigned stageControlFrame = 6;    // design time only
constexpr unsigned stageBitmapFrame = 7;     // design time only

struct TPaintStage {
    bool DsgnTime = false;
    bool RunTime = true;
    unsigned Stage = 0;
    unsigned Parameter = 0;
    friend bool operator==(const TPaintStage&, const TPaintStage&) = default;
};

// The view's ordered list of paint stages.
class TPaintStages {
public:
    int Count() const { return int(FItems.size()); }
    TPaintStage& operator[](int i) { return FItems.at(std::size_t(i)); }
    const TPaintStage& operator[](int i) const { return FItems.at(std::size_t(i)); }
    TPaintStage& Add() { return FItems.emplace_back(); }
    TPaintStage& Insert(int index);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    friend bool operator==(const TPaintStages&, const TPaintStages&) = default;

private:
    std::vector<TPaintStage> FItems;
};

class TCustomImage32;
using TPaintStageEvent =
    std::function<void(TCustomImage32* sender, TBitmap32* buffer, unsigned stageNum)>;
using TImgMouseEvent = std::function<void(TCustomImage32* sender, TMouseButton button,
                                          TShiftState shift, int x, int y, TCustomLayer* layer)>;
using TImgMouseMoveEvent = std::function<void(TCustomImage32* sender, TShiftState shift, int x,
                                              int y, TCustomLayer* layer)>;
using TViewNotifyEvent = std::function<void(TCustomImage32* sender)>;

class TCustomImage32 : public TCustomPaintBox32, public TLayerHost {
public:
    explicit TCustomImage32(QWidget* parent = nullptr);
    ~TCustomImage32() override;

    TBitmap32& Bitmap() { return FBitmap; }
    TLayerCollection& Layers() { return *FLayers; }
    TPaintStages& PaintStages() { return FPaintStages; }

    float Scale() const { return FScale; }
    // Clamped to at least 0.001.
    void SetScale(float scale);
    TScaleMode ScaleMode() const { return FScaleMode; }
    void SetScaleMode(TScaleMode mode);
    TBitmapAlign BitmapAlign() const { return FBitmapAlign; }
    void SetBitmapAlign(TBitmapAlign align);
    double OffsetHorz() const { return FOffsetHorz; }
    double OffsetVert() const { return FOffsetVert; }
    // Offsets of the bitmap for baCustom.
    void SetOffsets(double horz, double vert);

    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);
    // The view colour as an opaque colour word.
    TColor32 ViewColor32() const;
    // The cursor shown where no layer takes the pointer.
    TCursor ViewCursor() const { return FViewCursor; }
    void SetViewCursor(TCursor cursor);

    // Displayed size of the bitmap; 0 x 0 for an empty bitmap.
    int DisplayedWidth() const;
    int DisplayedHeight() const;
    // Where the bitmap is shown, in view pixels.
    TRect GetBitmapRect() const;
    // The mapping record, brought up to date.
    const TMappingRecord& Mapping();
    TViewPoint ViewToBitmap(int x, int y);
    TViewPoint ViewToBitmap(const TViewPoint& p) { return ViewToBitmap(p.X, p.Y); }

    // Runs the paint stages into dest with the bitmap shown on destRect.
    void RenderInto(TBitmap32& dest, const TRect& destRect);

    // Moves on with every change that can alter the view's flattened picture:
    // the bitmap (pixels, size), the view colour and any visible layer. Zoom,
    // scrolling and the control's size leave it alone: a flattened picture is
    // made at the image's own resolution. Values are never reused, not even
    // by another view, so (view, generation) names one picture for good.
    std::uint64_t ContentGeneration() const { return FContentGeneration; }

    // A number the owner uses to tell its views apart.
    int Tag = 0;

    TPaintStageEvent OnPaintStage;
    TImgMouseEvent OnMouseDown;
    TImgMouseMoveEvent OnMouseMove;
    TImgMouseEvent OnMouseUp;
    TViewNotifyEvent OnResize;

    // TLayerHost
    void LayersChanged() override;
    void LayerContentChanged() override;
    const TMappingRecord& LayerMapping() override { return Mapping(); }
    void SetScreenCursor(TCursor cursor) override;

    // Mouse input in view pixels, as the Qt events deliver it after conversion.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MouseLeave();

protected:
    void DoPaintBuffer() override;
    void ViewportResized() override;
    // The bitmap changed size.
    virtual void BitmapResized();
    // Scale or scale mode changed.
    virtual void ScaleChanged();
    // Recomputes the offsets and marks the mapping out of date.
    virtual void UpdateOffsets();
    void InvalidateMapping() { FMappingValid = false; }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    double FOffsetHorz = 0, FOffsetVert = 0;
    // Whether the layers move with the offsets also while the bitmap is
    // empty (otherwise they stay at view pixels then).
    bool FLayersFollowEmptyImage = false;

private:
    void ExecutePaintStages(TBitmap32& buffer);
    void ClearBackground(TBitmap32& buffer, const TRect& bitmapRect);
    void DrawLayers(TBitmap32& buffer, std::uint32_t mask);
    TViewPoint DevicePoint(const QPointF& p) const;
    // Routes a press or release; false for buttons the view does not route.
    bool RouteButton(QMouseEvent* event, bool press);
    void ContentChanged();

    TBitmap32 FBitmap;
    TLayerCollection* FLayers;
    TPaintStages FPaintStages;
    float FScale = 1.0f;
    TScaleMode FScaleMode = smNormal;
    TBitmapAlign FBitmapAlign = baTopLeft;
    QColor FColor;
    TCursor FViewCursor = crDefault;
    TMappingRecord FMapping;
    bool FMappingValid = false;
    bool FRendering = false;
    std::uint64_t FContentGeneration = 0;
};

// The plain image control: the bitmap at its own size, at the top left.
class TImage32 : public TCustomImage32 {
public:
    explicit TImage32(QWidget* parent = nullptr) : TCustomImage32(parent) {}
};

// Width and height of a bitmap shown at a scale: each rounded to nearest, halves to even.
int ScaledSize(int size, float scale);
