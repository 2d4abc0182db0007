#include "settings/WindowSettings.h"

#include "settings/ProgramKey.h"

TWindowSettings::TWindowSettings(QObject* owner) : TComponentPosition(owner) {}

TWindowSettings::TWindowSettings(QObject* owner, std::uint8_t kind, const QString& storageName)
    : TComponentPosition(owner, kind, storageName, TNoLoad{})
{
    LoadOnCreate();
}

TWindowSettings* TWindowSettings::CreateReg(QObject* owner, const QString& storageName)
{
    return new TWindowSettings(owner, skRegistry, storageName);
}

TWindowSettings::~TWindowSettings()
{
    SaveOnDestroy();
}

bool TWindowSettings::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TWindowSettings*>(source);
    if (!other) return TComponentPosition::Assign(source);
    TComponentPosition::Assign(source);
    SetWindowState(other->GetWindowState());
    return true;
}

TWindowSettings* WindowSettings(int action)
{
    static TWindowSettings* instance = nullptr;
    return SettingsAccessor(instance, action, [] { return TWindowSettings::CreateReg(nullptr, ProgramKey()); });
}
