#include "templates/TemplateList.h"

#include <algorithm>

#include "platform/RegistryError.h"
#include "resources/StringTable.h"
#include "settings/ProgramKey.h"

// ---- TTemplateItem ----

bool TTemplateItem::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TTemplateItem*>(source);
    if (!other) return TStreamableCollectionItem::Assign(source);
    SetItemName(other->ItemName());
    SetFrontImage(other->FrontImage());
    SetSideImage(other->SideImage());
    SetTopImage(other->TopImage());
    SetDefaultHeight(other->DefaultHeight());
    SetDefaultWidth(other->DefaultWidth());
    Changed();
    return true;
}

// ---- TTemplateCollection ----

TTemplateCollection::TTemplateCollection(QObject* owner)
    : TStreamableCollection([] { return new TTemplateItem(); }, owner)
{
}

TTemplateItem* TTemplateCollection::Add()
{
    return static_cast<TTemplateItem*>(AddItem());
}

TTemplateItem* TTemplateCollection::Items(int index) const
{
    return qobject_cast<TTemplateItem*>(Item(index));
}

TTemplateItem* TTemplateCollection::FindByName(const QString& name) const
{
    return Items(IndexOfName(name));
}

void TTemplateCollection::Update(TCollectionItem* item)
{
    auto* container = qobject_cast<TTemplateContainer*>(Owner());
    auto* changed = qobject_cast<TTemplateItem*>(item);
    if (container && changed && container->OnTemplateChange) container->OnTemplateChange(container, changed);
}

// ---- TTemplateContainer ----

TTemplateContainer::TTemplateContainer(QObject* owner)
    : TCustomComponentStreamer(owner), FTemplates(std::make_unique<TTemplateCollection>(this))
{
}

TTemplateContainer::TTemplateContainer(QObject* owner, std::uint8_t kind, const QString& storageName)
    : TCustomComponentStreamer(owner, kind, storageName), FTemplates(std::make_unique<TTemplateCollection>(this))
{
    LoadOnCreate();
}

TTemplateContainer* TTemplateContainer::CreateReg(QObject* owner, const QString& storageName)
{
    return new TTemplateContainer(owner, skRegistry, storageName);
}

TTemplateContainer* TTemplateContainer::CreateCfg(QObject* owner, const QString& storageName)
{
    return new TTemplateContainer(owner, skConfigFile, storageName);
}

TTemplateContainer::~TTemplateContainer()
{
    SaveOnDestroy();
    FTemplates.reset();
}

void TTemplateContainer::SetTemplates(TTemplateCollection* value)
{
    if (value) FTemplates->Assign(value);
}

TTemplateItem* TTemplateContainer::AddTemplate()
{
    return FTemplates->Add();
}

void TTemplateContainer::RemoveTemplate(TTemplateItem* item)
{
    FTemplates->Remove(item);
}

TTemplateItem* TTemplateContainer::FindTemplate(const QString& name) const
{
    return FTemplates->FindByName(name);
}

int TTemplateContainer::IndexOfTemplate(const QString& name) const
{
    return FTemplates->IndexOfName(name);
}

void TTemplateContainer::GetTemplateNames(QStringList& names, QList<TTemplateItem*>* objects) const
{
    for (int i = 0; i < FTemplates->Count(); ++i) {
        TTemplateItem* item = FTemplates->Items(i);
        names.append(item->ItemName());
        if (objects) objects->append(item);
    }
}

QStringList TTemplateContainer::GetTemplateNames() const
{
    QStringList names;
    GetTemplateNames(names);
    return names;
}

bool TTemplateContainer::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TTemplateContainer*>(source);
    if (!other) return TCustomComponentStreamer::Assign(source);
    SetTemplates(other->Templates());
    OnTemplateChange = other->OnTemplateChange;
    return true;
}

TTemplateContainer* TemplateContainer(int action)
{
    static TTemplateContainer* instance = nullptr;
    TTemplateContainer* container =
        SettingsAccessor(instance, action, [] { return TTemplateContainer::CreateReg(nullptr, ProgramKey()); });
    // Templates that failed to load are told once; the others are there.
    if (container)
        if (const QString error = container->TakeLoadError(); !error.isEmpty()) throw ERegistryException(error);
    return container;
}

QString SampleFacePath(int face)
{
    static const char* const kNames[] = {"GreyfinchFront.jpg", "GreyfinchSide.jpg", "GreyfinchTop.jpg"};
    return SamplesFolder() + QLatin1String(kNames[std::clamp(face, 1, 3) - 1]);
}

bool EnsureSampleTemplate(TTemplateContainer* container)
{
    if (container->Templates()->Count() > 0) return false;
    TTemplateItem* item = container->AddTemplate();
    item->SetItemName(LoadStr(StrId::SampleTemplateName));
    item->SetFrontImage(SampleFacePath(1));
    item->SetSideImage(SampleFacePath(2));
    item->SetTopImage(SampleFacePath(3));
    item->SetDefaultHeight(TTemplateItem::kFallbackHeight);
    item->SetDefaultWidth(TTemplateItem::kFallbackWidth);
    return true;
}
