// TCollection and TCollectionItem: an ordered, owned list of items whose
// published properties (Qt properties) are persisted like a component's.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class TCollection;

class TCollectionItem : public QObject {
    Q_OBJECT
public:
    TCollectionItem() = default;
    // Freeing an item takes it out of its collection.
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    int Index() const;
    // Moves the item to another place in its collection.
    void SetIndex(int index);
    // How the item is named in lists and in the settings store; by default its class name.
    virtual QString GetDisplayName() const;
    QString DisplayName() const { return GetDisplayName(); }
    // Copies from source when it is of a compatible class; false otherwise.
    virtual bool Assign(const QObject* source);

protected:
    // Tells the collection this item changed.
    void Changed();

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
};

class TCollection : public QObject {
    Q_OBJECT
public:
    using TItemFactory = std::function<TCollectionItem*()>;

    // factory makes one item of the collection's item class; owner is the
    // object the collection belongs to (it is not made the Qt parent).
    TCollection(TItemFactory factory, QObject* owner);
    ~TCollection() override;

    QObject* Owner() const { return FOwner; }
    int Count() const { return int(FItems.size()); }
    // Null when index is out of range.
    TCollectionItem* Item(int index) const;
    int IndexOf(const TCollectionItem* item) const;
    // A new item appended at the end.
    TCollectionItem* AddItem();
    // Frees the item at index; out-of-range indices do nothing.
    virtual void Delete(int index);
    void Clear();
    // Replaces the items with copies of source's items.
    virtual bool Assign(const QObject* source);

    // Called when an item (or, with null, the whole collection) changed.
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void Detach(TCollectionItem* item);
    void MoveItem(int from, int to);

    TItemFactory FFactory;
    QObject* FOwner;
    std::vector<TCollectionItem*> FItems;
};
