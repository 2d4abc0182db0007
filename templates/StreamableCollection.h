// A collection of uniquely named items that persists through its owner's
// settings object: removing an item deletes its stored subkey at once.
#pragma once

#include "settings/Collection.h"

class TStreamableCollectionItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString ItemName READ ItemName WRITE SetItemName)
public:
    QString ItemName() const { return FItemName; }
    void SetItemName(const QString& value) { FItemName = value; }
    // The item name, or the class name while the name is empty.
    QString GetDisplayName() const override;
    bool Assign(const QObject* source) override;

private:
    QString FItemName;
};

class TStreamableCollection : public TCollection {
    Q_OBJECT
public:
    using TCollection::TCollection;

    // Frees the item at index. When the owner keeps itself in the registry, the
    // item's subkey below the owner's collection key is deleted first (and the
    // store written), so a removed item is gone from the store even if the
    // owner is never saved again. Out-of-range indices do nothing.
    void Delete(int index) override;
    // Deletes item if it is in the collection.
    virtual void Remove(TCollectionItem* item);
    virtual void Move(int fromIndex, int toIndex);

    // Null when index is out of range.
    TStreamableCollectionItem* Items(int index) const;
    // The first item whose name equals name, ignoring ASCII letter case; -1 if none.
    int IndexOfName(const QString& name) const;
    TStreamableCollectionItem* FindByName(const QString& name) const;
};
