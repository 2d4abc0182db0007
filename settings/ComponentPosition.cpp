#include "settings/ComponentPosition.h"

#include <algorithm>
#include <cstdint>

TComponentPosition::TComponentPosition(QObject* owner) : TCustomComponentStreamer(owner) {}

TComponentPosition::TComponentPosition(QObject* owner, std::uint8_t kind, const QString& storageName)
    : TCustomComponentStreamer(owner, kind, storageName)
{
    LoadOnCreate();
}

TComponentPosition::TComponentPosition(QObject* owner, std::uint8_t kind, const QString& storageName, TNoLoad)
    : TCustomComponentStreamer(owner, kind, storageName)
{
}

TComponentPosition* TComponentPosition::CreateReg(QObject* owner, const QString& storageName)
{
    return new TComponentPosition(owner, skRegistry, storageName);
}

TComponentPosition* TComponentPosition::CreateCfg(QObject* owner, const QString& storageName)
{
    return new TComponentPosition(owner, skConfigFile, storageName);
}

TComponentPosition::~TComponentPosition()
{
    SaveOnDestroy();
}

void TComponentPosition::SetBounds(int left, int top, int height, int width)
{
    SetLeft(left);
    SetTop(top);
    SetHeight(height);
    SetWidth(width);
}

bool TComponentPosition::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TComponentPosition*>(source);
    if (!other) return TCustomComponentStreamer::Assign(source);
    SetLeft(other->GetLeft());
    SetTop(other->GetTop());
    SetHeight(other->GetHeight());
    SetWidth(other->GetWidth());
    return true;
}

bool IsPlaceReachable(int left, int top, int width, const QList<QRect>& screens)
{
    // The title bar sits in the band along the top edge; a grip of 8 x 8
    // pixels of it on a screen is enough to drag the window back.
    constexpr std::int64_t kBand = 24, kGrip = 8;
    const std::int64_t l = left, t = top, r = l + std::max(width, 1), b = t + kBand;
    for (const QRect& s : screens) {
        const std::int64_t sl = s.x(), st = s.y(), sr = sl + s.width(), sb = st + s.height();
        const std::int64_t across = std::min(r, sr) - std::max(l, sl);
        const std::int64_t down = std::min(b, sb) - std::max(t, st);
        if (across >= std::min(kGrip, r - l) && down >= kGrip) return true;
    }
    return false;
}
