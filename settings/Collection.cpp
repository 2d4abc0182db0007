#include "settings/Collection.h"

#include <algorithm>

TCollectionItem::~TCollectionItem()
{
    if (FCollection) FCollection->Detach(this);
}

int TCollectionItem::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TCollectionItem::SetIndex(int index)
{
    if (FCollection) FCollection->MoveItem(Index(), index);
}

QString TCollectionItem::GetDisplayName() const
{
    return QString::fromLatin1(metaObject()->className());
}

bool TCollectionItem::Assign(const QObject*)
{
    return false;
}

void TCollectionItem::Changed()
{
    if (FCollection) FCollection->Update(this);
}

TCollection::TCollection(TItemFactory factory, QObject* owner) : FFactory(std::move(factory)), FOwner(owner) {}

TCollection::~TCollection()
{
    Clear();
}

TCollectionItem* TCollection::Item(int index) const
{
    return index >= 0 && index < Count() ? FItems[std::size_t(index)] : nullptr;
}

int TCollection::IndexOf(const TCollectionItem* item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

TCollectionItem* TCollection::AddItem()
{
    TCollectionItem* item = FFactory();
    item->FCollection = this;
    FItems.push_back(item);
    Update(nullptr);
    return item;
}

void TCollection::Delete(int index)
{
    if (TCollectionItem* item = Item(index)) {
        delete item;  // detaches itself
        Update(nullptr);
    }
}

void TCollection::Clear()
{
    if (FItems.empty()) return;
    std::vector<TCollectionItem*> items;
    items.swap(FItems);
    for (TCollectionItem* item : items) {
        item->FCollection = nullptr;
        delete item;
    }
    Update(nullptr);
}

bool TCollection::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TCollection*>(source);
    if (!other) return false;
    if (other == this) return true;
    Clear();
    for (const TCollectionItem* item : other->FItems) AddItem()->Assign(item);
    return true;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Detach(TCollectionItem* item)
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it != FItems.end()) FItems.erase(it);
    item->FCollection = nullptr;
}

void TCollection::MoveItem(int from, int to)
{
    if (from < 0 || from >= Count()) return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to) return;
    TCollectionItem* item = FItems[std::size_t(from)];
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, item);
    Update(nullptr);
}
