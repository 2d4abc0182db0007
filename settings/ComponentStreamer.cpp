#include "settings/ComponentStreamer.h"

#include "platform/RegistryError.h"
#include "settings/PropertyStreamer.h"

#include <utility>

TCustomComponentStreamer::TCustomComponentStreamer(QObject* owner) : QObject(owner) {}

TCustomComponentStreamer::TCustomComponentStreamer(QObject* owner, std::uint8_t kind, const QString& storageName)
    : QObject(owner), FStorageKind(kind), FStorageName(storageName)
{
}

TCustomComponentStreamer::~TCustomComponentStreamer()
{
    SaveOnDestroy();
}

void TCustomComponentStreamer::SaveOnDestroy() noexcept
{
    if (!FAutoSave) return;
    FAutoSave = false;
    try {
        Save();
    } catch (const ERegistryException& e) {
        qWarning("%s", qUtf8Printable(e.Message()));
    }
}

void TCustomComponentStreamer::LoadOnCreate()
{
    try {
        Load();
    } catch (const EPartialLoad& e) {
        // The items that loaded are kept, and saving leaves the others as stored.
        FLoadError = e.Message();
    } catch (...) {
        FAutoSave = false;
        throw;
    }
}

void TCustomComponentStreamer::WriteToStorage(QObject* obj)
{
    if (!FStorage) CreateStorage();
    if (FStorage) FStorage->Save(obj);
}

bool TCustomComponentStreamer::ReadFromStorage(QObject* obj)
{
    if (!FStorage) CreateStorage();
    return FStorage && FStorage->Load(obj);
}

void TCustomComponentStreamer::CreateStorage()
{
    FStorage.reset();
    switch (FStorageKind) {
    case skRegistry: FStorage = std::make_unique<TStorageReg2>(FStorageName); break;
    case skConfigFile: FStorage = std::make_unique<TStorageCfg2>(FStorageName); break;
    default: break;
    }
}

void TCustomComponentStreamer::Save()
{
    CreateStorage();
    WriteToStorage(this);
}

bool TCustomComponentStreamer::Load()
{
    CreateStorage();
    return ReadFromStorage(this);
}

bool TCustomComponentStreamer::Assign(const QObject*)
{
    return false;
}

QString TCustomComponentStreamer::TakeLoadError()
{
    return std::exchange(FLoadError, QString());
}
