#include "settings/ComponentPosition.h"

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
