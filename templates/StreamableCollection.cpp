#include "templates/StreamableCollection.h"

#include "settings/ComponentStreamer.h"
#include "settings/PropertyStreamer.h"

namespace {

bool SameNameIgnoringAsciiCase(const QString& a, const QString& b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'a' && x <= 'z') x = char16_t(x - 32);
        if (y >= 'a' && y <= 'z') y = char16_t(y - 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace

QString TStreamableCollectionItem::GetDisplayName() const
{
    return FItemName.isEmpty() ? TCollectionItem::GetDisplayName() : FItemName;
}

bool TStreamableCollectionItem::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TStreamableCollectionItem*>(source);
    if (!other) return TCollectionItem::Assign(source);
    SetItemName(other->ItemName());
    return true;
}

void TStreamableCollection::Delete(int index)
{
    TCollectionItem* item = Item(index);
    if (!item) return;
    auto* streamable = qobject_cast<TStreamableCollectionItem*>(item);
    auto* streamer = dynamic_cast<IComponentStreamer*>(Owner());
    if (streamable && streamer && streamer->GetStorageKind() == skRegistry) {
        const QString property = FindCollectionProperty(Owner());
        // The item was stored under its display name, which for an unnamed
        // item is its class name; deleting by the empty name would take the
        // whole collection key with it.
        if (!property.isEmpty()) DeleteRegistrySubKey(streamer->GetStorageName() + property, streamable->DisplayName());
    }
    TCollection::Delete(index);
}

void TStreamableCollection::Remove(TCollectionItem* item)
{
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
}

void TStreamableCollection::Move(int fromIndex, int toIndex)
{
    if (TCollectionItem* item = Item(fromIndex)) item->SetIndex(toIndex);
}

TStreamableCollectionItem* TStreamableCollection::Items(int index) const
{
    return qobject_cast<TStreamableCollectionItem*>(Item(index));
}

int TStreamableCollection::IndexOfName(const QString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        const auto* item = qobject_cast<TStreamableCollectionItem*>(Item(i));
        if (item && SameNameIgnoringAsciiCase(item->ItemName(), name)) return i;
    }
    return -1;
}

TStreamableCollectionItem* TStreamableCollection::FindByName(const QString& name) const
{
    return Items(IndexOfName(name));
}
