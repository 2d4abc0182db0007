// The layer stack of an image view: the collection, the base layer, positioned
// layers, image layers and text layers.
//
// Layers belong to their collection: creating a layer with a collection puts
// it on top, and deleting a layer (delete, Delete, Clear) takes it out.
#pragma once

#include "Bitmap32.h"
#include "Transformation.h"
#include "ViewInput.h"
#include "ViewMapping.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TCustomLayer;
class TLayerCollection;

// Option bits of a layer.
constexpr std::uint32_t optVisible = 0x80000000u;     // painted by the draw-layers stage
constexpr std::uint32_t optMouseEvents = 0x20000000u; // takes part in hit testing
constexpr std::uint32_t optNoUpdate = 0x10000000u;    // changes do not repaint the view
constexpr std::uint32_t optNoCapture = 0x08000000u;   // a left press does not capture the mouse

// What a collection needs from the view that owns it.
class TLayerHost {
public:
    virtual ~TLayerHost() = default;
    // A visible layer changed: the view repaints.
    virtual void LayersChanged() = 0;
    // The view's mapping record, brought up to date.
    virtual const TMappingRecord& LayerMapping() = 0;
    // Sets the cursor shown over the view.
    virtual void SetScreenCursor(TCursor cursor) = 0;
    // Something that a flattened picture of the view shows changed: a
    // visible layer, also one that does not repaint the view, and also
    // while the collection holds its updates back.
    virtual void LayerContentChanged() {}
};

using TLayerMouseEvent =
    std::function<void(TCustomLayer* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TLayerMouseMoveEvent =
    std::function<void(TCustomLayer* sender, TShiftState shift, int x, int y)>;
using THitTestEvent = std::function<void(TCustomLayer* sender, int x, int y, bool& passed)>;
using TPaintLayerEvent = std::function<void(TCustomLayer* sender, TBitmap32* buffer)>;

class TLayerCollection {
public:
    explicit TLayerCollection(TLayerHost* owner = nullptr);
    // Destroys every layer.
    ~TLayerCollection();
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    TLayerHost* Owner() const { return FOwner; }
    int Count() const { return int(FItems.size()); }
    TCustomLayer* Items(int index) const { return FItems.at(std::size_t(index)); }
    // Creates a layer of type T on top.
    template <class T>
    T* Add()
    {
        return new T(this);
    }
    // Destroys the layer at index.
    void Delete(int index);
    // Destroys all layers, top first, inside one update.
    void Clear();
    // Takes the layer out of the collection without destroying it: the caller
    // owns it until it is put back with Restore (an undone deletion keeps
    // its layer this way, pixels and all).
    std::unique_ptr<TCustomLayer> Take(TCustomLayer* layer);
    // Puts a layer taken out of this collection back at index (clamped).
    void Restore(std::unique_ptr<TCustomLayer> layer, int index);

    // The layer of highest index whose options meet mask and which contains
    // the point (then passes its hit-test event), or null.
    TCustomLayer* TopmostAt(int x, int y, std::uint32_t mask) const;

    bool ReceivesMouse = true;
    TCustomLayer* CapturedLayer() const { return FCaptured; }

    void BeginUpdate() { ++FUpdateCount; }
    // Passes on a change that happened during the update.
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // Tells the owner that a visible layer changed.
    void Changed();

    // The owner's mapping record, or null without an owner.
    const TMappingRecord* Mapping() const;
    void SetScreenCursor(TCursor cursor) const;

    // Mouse routing; each returns the layer the event went to, or null.
    TCustomLayer* MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    TCustomLayer* MouseMove(TShiftState shift, int x, int y);
    TCustomLayer* MouseUp(TMouseButton button, TShiftState shift, int x, int y);

private:
    friend class TCustomLayer;
    void InsertItem(TCustomLayer* layer);
    void RemoveItem(TCustomLayer* layer);
    void MoveItem(int from, int to);
    void ContentChanged();
    // The layer if it is still in the collection, else null.
    TCustomLayer* StillHere(TCustomLayer* layer) const;

    TLayerHost* FOwner;
    std::vector<TCustomLayer*> FItems;
    TCustomLayer* FCaptured = nullptr;
    int FUpdateCount = 0;
    bool FChangedWhileLocked = false;
};

class TCustomLayer {
public:
    explicit TCustomLayer(TLayerCollection* collection);
    // Takes the layer out of its collection and tells the layers on its notify list.
    virtual ~TCustomLayer();
    TCustomLayer(const TCustomLayer&) = delete;
    TCustomLayer& operator=(const TCustomLayer&) = delete;

    TLayerCollection* LayerCollection() const { return FCollection; }
    // Position in the collection, -1 if none.
    int Index() const;

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
    std::uint32_t Options() const { return FOptions; }
    void SetOptions(std::uint32_t options);
    bool Visible() const { return (FOptions & optVisible) != 0; }
    void SetVisible(bool visible);
    // Mouse buttons held on the layer, one ButtonBit each.
    unsigned HeldButtons() const { return FHeldButtons; }

    // Layers on the notify list get LayerGone when this one is destroyed.
    void AddNotification(TCustomLayer* layer);
    void RemoveNotification(TCustomLayer* layer);

    // Before and after a change of the layer.
    void Changing();
    void Changed();

    virtual bool ContainsPoint(int x, int y);
    virtual void PointerDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void PointerMove(TShiftState shift, int x, int y);
    virtual void PointerUp(TMouseButton button, TShiftState shift, int x, int y);
    // A layer on the notify list is being destroyed.
    virtual void LayerGone(TCustomLayer* layer);
    virtual void Paint(TBitmap32& buffer);
    // Moves the layer to index n, clamped to the collection.
    virtual void MoveToIndex(int newIndex);

    // 0 image layer, 1 text layer.
    int Tag = 0;

    TLayerMouseEvent OnLayerMouseDown;
    TLayerMouseMoveEvent OnLayerMouseMove;
    TLayerMouseEvent OnLayerMouseUp;
    THitTestEvent OnHitTest;
    TPaintLayerEvent OnPaint;

protected:
    TCustomLayer(TLayerCollection* collection, std::uint32_t options);
    void SetScreenCursor(TCursor cursor) const;

private:
    friend class TLayerCollection;
    TLayerCollection* FCollection;
    TCursor FCursor = crDefault;
    std::uint32_t FOptions;
    unsigned FHeldButtons = 0;
    bool FVisibleBeforeChange = false;
    std::vector<TCustomLayer*> FFreeNotifies;
    // Layers whose notify list holds this one.
    std::vector<TCustomLayer*> FNotifiers;
};

class TPositionedLayer : public TCustomLayer {
public:
    explicit TPositionedLayer(TLayerCollection* collection);

    const TRealRect& Bounds() const { return FBounds; }
    // Notifies the collection before and after; StoreBounds does the storing.
    void SetBounds(const TRealRect& bounds);
    bool ScaledToView() const { return FScaledToView; }
    void SetScaledToView(bool scaled);
    // Bounds in view pixels.
    TRealRect AdjustedBounds() const;

    bool ContainsPoint(int x, int y) override;

protected:
    virtual void StoreBounds(const TRealRect& bounds);

private:
    TRealRect FBounds{0, 0, 64, 64};
    bool FScaledToView = false;
};

class TBitmapLayer : public TPositionedLayer {
public:
    explicit TBitmapLayer(TLayerCollection* collection);
    ~TBitmapLayer() override;

    // Changes of the bitmap count as changes of the layer.
    TBitmap32& Bitmap() { return *FBitmap; }
    const TBitmap32& Bitmap() const { return *FBitmap; }

    void Paint(TBitmap32& buffer) override;

private:
    std::unique_ptr<TBitmap32> FBitmap;
};

// What a text layer is drawn from: enough to draw it again, and to keep it
// in a file.
struct TTextLayerParams {
    QString Text;                   // lines joined with line breaks
    QFont Font;
    TColor32 TextColor = clBlack32; // opaque
    int Level = 0;                  // smooth text level, 0 (the platform's) to 4
    int Turn = 0;                   // quarter turns counter-clockwise, 0..3
};

class TBitmapTextLayer : public TBitmapLayer {
public:
    using TBitmapLayer::TBitmapLayer;
    // The colour of the bitmap where there is no text (the text's colour, clear).
    TColor32 Background = clWhite32;
    // What the picture was drawn from (its colour is the text's colour).
    TTextLayerParams Params;
};

bool SameBounds(const TRealRect& a, const TRealRect& b);
