// The shared measuring canvas: one 32-bit drawing surface for the whole
// program on which text is measured (at the 96 dpi every image is drawn at).
//
// The canvas is locked while it is used: hold a TMeasureCanvasLock for as
// long as the font set on it matters.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <mutex>

class QPaintDevice;

class TMeasureCanvas {
public:
    // The one canvas.
    static TMeasureCanvas& Instance();

    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }

    // The surface, for code that lays text out on it.
    QPaintDevice* Device();
    void SetFont(const QFont& font);
    const QFont& Font() const { return FFont; }
    // Metrics of the canvas font on the canvas.
    QFontMetrics Metrics();

    struct TExtent {
        int cx = 0, cy = 0;
    };
    // Width (advance) and height of a text in the canvas font.
    TExtent TextExtent(const QString& text);

private:
    TMeasureCanvas() = default;
    std::recursive_mutex FLock;
    QFont FFont;
};

// Locks the shared canvas for the lifetime of the object.
class TMeasureCanvasLock {
public:
    TMeasureCanvasLock() : FCanvas(TMeasureCanvas::Instance()) { FCanvas.Lock(); }
    ~TMeasureCanvasLock() { FCanvas.Unlock(); }
    TMeasureCanvasLock(const TMeasureCanvasLock&) = delete;
    TMeasureCanvasLock& operator=(const TMeasureCanvasLock&) = delete;
    TMeasureCanvas* operator->() const { return &FCanvas; }
    TMeasureCanvas& Canvas() const { return FCanvas; }

private:
    TMeasureCanvas& FCanvas;
};
