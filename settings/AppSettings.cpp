#include "settings/AppSettings.h"

TAppSettings::TAppSettings(QObject* owner) : TCustomComponentStreamer(owner) {}

TAppSettings::TAppSettings(QObject* owner, std::uint8_t kind, const QString& storageName)
    : TCustomComponentStreamer(owner, kind, storageName)
{
}

TAppSettings* TAppSettings::CreateReg(QObject* owner, const QString& storageName)
{
    return new TAppSettings(owner, skRegistry, storageName);
}

TAppSettings::~TAppSettings()
{
    SaveOnDestroy();
}

void TAppSettings::ApplyFirstRunDefaults(const QString& samplesFolder)
{
    if (FOpenInitDir.isEmpty()) {
        FDefaultSize = true;
        FOpenInitDir = samplesFolder;
    }
    if (FSaveInitDir.isEmpty()) FSaveInitDir = samplesFolder;
}

bool TAppSettings::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TAppSettings*>(source);
    if (!other) return TCustomComponentStreamer::Assign(source);
    SetOpenInitDir(other->OpenInitDir());
    SetSaveInitDir(other->SaveInitDir());
    SetLeftOrientation(other->LeftOrientation());
    SetCustomColors(other->CustomColors());
    SetDefaultSize(other->DefaultSize());
    SetBookType(other->BookType());
    SetResultBackground(other->ResultBackground());
    SetResultView(other->ResultView());
    SetFreeYaw(other->FreeYaw());
    SetFreePitch(other->FreePitch());
    SetFreeFov(other->FreeFov());
    SetFreeReflection(other->FreeReflection());
    SetLiveBoxHidden(other->LiveBoxHidden());
    return true;
}

TAppSettings* AppSettings(int action)
{
    static TAppSettings* instance = nullptr;
    return SettingsAccessor(instance, action, [] {
        auto* created = TAppSettings::CreateReg(nullptr, ProgramKey());
        try {
            created->Load();
        } catch (...) {
            // A half-loaded object must not write its defaults over the stored values.
            created->SetAutoSave(false);
            delete created;
            throw;
        }
        return created;
    });
}
