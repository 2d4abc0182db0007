// TComponentPosition: a remembered position and size (Left, Top, Height,
// Width) stored under a key of its own.
#pragma once

#include "settings/ComponentStreamer.h"

#include <QList>
#include <QRect>

class ICustomComponentPosition {
public:
    virtual int GetHeight() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetLeft() const = 0;
    virtual int GetTop() const = 0;
    virtual void SetHeight(int value) = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetLeft(int value) = 0;
    virtual void SetTop(int value) = 0;
    // Note the order: the height comes before the width.
    virtual void SetBounds(int left, int top, int height, int width) = 0;

protected:
    ~ICustomComponentPosition() = default;
};

class TComponentPosition : public TCustomComponentStreamer, public ICustomComponentPosition {
    Q_OBJECT
    Q_PROPERTY(int Left READ GetLeft WRITE SetLeft)
    Q_PROPERTY(int Top READ GetTop WRITE SetTop)
    Q_PROPERTY(int Height READ GetHeight WRITE SetHeight)
    Q_PROPERTY(int Width READ GetWidth WRITE SetWidth)
public:
    // Create: nothing loaded.
    explicit TComponentPosition(QObject* owner = nullptr);
    // CreateReg / CreateCfg: loads the stored values (0 where absent).
    TComponentPosition(QObject* owner, std::uint8_t kind, const QString& storageName);
    static TComponentPosition* CreateReg(QObject* owner, const QString& storageName);
    static TComponentPosition* CreateCfg(QObject* owner, const QString& storageName);
    ~TComponentPosition() override;

    int GetHeight() const override { return FHeight; }
    int GetWidth() const override { return FWidth; }
    int GetLeft() const override { return FLeft; }
    int GetTop() const override { return FTop; }
    void SetHeight(int value) override { FHeight = value; }
    void SetWidth(int value) override { FWidth = value; }
    void SetLeft(int value) override { FLeft = value; }
    void SetTop(int value) override { FTop = value; }
    void SetBounds(int left, int top, int height, int width) override;

    bool Assign(const QObject* source) override;

protected:
    // For derived classes, which load once they are complete.
    struct TNoLoad {};
    TComponentPosition(QObject* owner, std::uint8_t kind, const QString& storageName, TNoLoad);

private:
    int FHeight = 0;
    int FLeft = 0;
    int FWidth = 0;
    int FTop = 0;
};

// The guard for stored window and dialog places: whether a window with its
// top left corner at (left, top) and the given width could still be moved by
// its title bar, that is, whether a band along its top edge lies, by a grip
// of a few pixels each way, on one of the screens. Stored values may be
// anything, so the arithmetic is done in 64 bits.
bool IsPlaceReachable(int left, int top, int width, const QList<QRect>& screens);
