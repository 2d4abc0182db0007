#include "settings/PropertyStreamer.h"

#include "platform/RegistryError.h"
#include "settings/Collection.h"
#include "settings/PublishedProperties.h"

#include <QStringList>
#include <QVariant>

namespace {

// Moves the registry handle between the object's key and its section
// subkeys, opening each section once for a run of values, and returns to
// the object's key at the end.
class TSectionCursor {
public:
    explicit TSectionCursor(TRegistry& reg) : FReg(reg), FBase(QLatin1Char('\\') + reg.CurrentPath()) {}
    ~TSectionCursor()
    {
        try {
            Enter(QString(), false);
        } catch (const ERegistryException&) {
            // The object's key was open a moment ago; nothing sensible is left to do.
        }
    }
    TSectionCursor(const TSectionCursor&) = delete;
    TSectionCursor& operator=(const TSectionCursor&) = delete;

    TRegistry& Reg() { return FReg; }

    // Collection items that failed are left out and the rest goes on; the
    // first error is raised when the whole object is done.
    void NoteError(const QString& message)
    {
        if (FFirstError.isEmpty()) FFirstError = message;
    }
    const QString& FirstError() const { return FFirstError; }
    // Keys of stored items whose names could not be written back.
    QStringList& Unstorable() { return FUnstorable; }

    // Makes section the current key. For writing it is created ("Failed to
    // create key" when that is impossible); for reading false means it is missing.
    bool Enter(const QString& section, bool create)
    {
        if (FOnBase ? section.isEmpty() : section == FCurrent) return true;
        const QString path = section.isEmpty() ? FBase : FBase + QLatin1Char('\\') + section;
        if (!FReg.OpenKey(path, create)) {
            if (create) RaiseRegistryError(StrId::RegCreateFailed, section);
            return false;
        }
        FCurrent = section;
        FOnBase = section.isEmpty();
        return true;
    }

private:
    TRegistry& FReg;
    QString FBase;
    QString FCurrent;
    bool FOnBase = true;
    QString FFirstError;
    QStringList FUnstorable;
};

// What the writer can store an item under: one valid key name.
bool StorableItemName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('\\')) && ValidKeyName(name);
}

QString Prefixed(const QString& section, const QString& name)
{
    return section.isEmpty() ? name : section + QLatin1Char('\\') + name;
}

// Integers read as text; empty or malformed text gives 0.
qlonglong ParseInteger(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    return ok ? value : 0;
}

void SaveScalar(TSectionCursor& cursor, QObject* obj, const QMetaProperty& p, const QString& section)
{
    const QVariant value = p.read(obj);
    const QString name = QString::fromLatin1(p.name());
    switch (KindOf(p)) {
    case TPropertyKind::Integer:
    case TPropertyKind::Enumeration: {
        const qlonglong n = value.metaType().id() == QMetaType::Bool ? (value.toBool() ? 1 : 0) : value.toLongLong();
        cursor.Enter(section, true);
        cursor.Reg().WriteString(name, QString::number(n));
        break;
    }
    case TPropertyKind::Float:
        cursor.Enter(section, true);
        cursor.Reg().WriteFloat(name, value.toDouble());
        break;
    case TPropertyKind::String:
        cursor.Enter(section, true);
        cursor.Reg().WriteString(name, value.toString());
        break;
    default:
        break;
    }
}

void LoadScalar(TSectionCursor& cursor, QObject* obj, const QMetaProperty& p, const QString& section)
{
    const QString name = QString::fromLatin1(p.name());
    const bool present = cursor.Enter(section, false);
    switch (KindOf(p)) {
    case TPropertyKind::Integer:
    case TPropertyKind::Enumeration: {
        qlonglong n = present ? ParseInteger(cursor.Reg().ReadString(name)) : 0;
        // Text beyond the property's range (32 bits for booleans and enumerations) is no valid integer.
        if (!FitsIntegerProperty(p, n)) n = 0;
        if (p.metaType().id() == QMetaType::Bool)
            p.write(obj, QVariant(n != 0));
        else
            p.write(obj, QVariant(int(n)));
        break;
    }
    case TPropertyKind::Float:
        // Unlike the other kinds, a missing floating-point value is an error.
        if (!present) RaiseRegistryError(StrId::RegGetDataFailed, name);
        p.write(obj, QVariant(cursor.Reg().ReadFloat(name)));
        break;
    case TPropertyKind::String:
        p.write(obj, QVariant(present ? cursor.Reg().ReadString(name) : QString()));
        break;
    default:
        break;
    }
}

void Stream(TSectionCursor& cursor, QObject* obj, const QString& section, TStreamDirection direction);

void SaveStringList(TSectionCursor& cursor, const QStringList& list, const QString& name, const QString& listKey)
{
    // Rebuilt from scratch so that a shorter list leaves no stale entries.
    cursor.Enter(QString(), true);
    cursor.Reg().DeleteKey(listKey);
    for (qsizetype i = 0; i < list.size(); ++i) {
        cursor.Enter(listKey, true);
        cursor.Reg().WriteString(name + QString::number(i), list[i]);
    }
}

void LoadStringList(TSectionCursor& cursor, QObject* obj, const QMetaProperty& p, const QString& listKey)
{
    if (!cursor.Enter(listKey, false)) return;
    const QString name = QString::fromLatin1(p.name());
    QStringList list = p.read(obj).toStringList();
    const qsizetype count = cursor.Reg().GetValueNames().size();
    for (qsizetype i = 0; i < count; ++i) list.append(cursor.Reg().ReadString(name + QString::number(i)));
    p.write(obj, QVariant(list));
}

void SaveCollection(TSectionCursor& cursor, TCollection* collection, const QString& collectionKey)
{
    for (int i = 0; i < collection->Count(); ++i) {
        TCollectionItem* item = collection->Item(i);
        const QString displayName = item->DisplayName();
        if (displayName.isEmpty()) continue;
        try {
            Stream(cursor, item, Prefixed(collectionKey, displayName), TStreamDirection::Save);
        } catch (const ERegistryException& e) {
            cursor.NoteError(e.Message());
        }
    }
}

void LoadCollection(TSectionCursor& cursor, TCollection* collection, const QString& collectionKey)
{
    if (!cursor.Enter(collectionKey, false)) return;
    // Loading appends: the caller starts from an empty collection.
    const QStringList names = cursor.Reg().GetKeyNames();
    for (const QString& name : names) {
        if (name.isEmpty()) continue;
        TCollectionItem* item = collection->AddItem();
        const QString key = Prefixed(collectionKey, name);
        try {
            Stream(cursor, item, key, TStreamDirection::Load);
        } catch (const ERegistryException& e) {
            // Left as stored, so that it can be repaired; the others load.
            delete item;
            cursor.NoteError(e.Message());
            continue;
        }
        // An item the save would stop at is refused here.
        if (!StorableItemName(item->DisplayName())) {
            delete item;
            cursor.Unstorable().append(key);
        }
    }
}

void StreamObjectProperty(TSectionCursor& cursor, QObject* obj, const QMetaProperty& p, const QString& section,
                          TStreamDirection direction)
{
    QObject* child = p.read(obj).value<QObject*>();
    if (!child) return;
    const QString key = Prefixed(section, QString::fromLatin1(p.name()));
    Stream(cursor, child, key, direction);
    if (auto* collection = qobject_cast<TCollection*>(child)) {
        if (direction == TStreamDirection::Save)
            SaveCollection(cursor, collection, key);
        else
            LoadCollection(cursor, collection, key);
    }
}

void Stream(TSectionCursor& cursor, QObject* obj, const QString& section, TStreamDirection direction)
{
    if (!obj) return;
    ForEachPublishedProperty(obj, [&](const QMetaProperty& p) {
        switch (KindOf(p)) {
        case TPropertyKind::Integer:
        case TPropertyKind::Enumeration:
        case TPropertyKind::Float:
        case TPropertyKind::String:
            if (direction == TStreamDirection::Save)
                SaveScalar(cursor, obj, p, section);
            else if (p.isWritable())
                LoadScalar(cursor, obj, p, section);
            break;
        case TPropertyKind::StringList: {
            const QString name = QString::fromLatin1(p.name());
            const QString key = Prefixed(section, name);
            if (direction == TStreamDirection::Save)
                SaveStringList(cursor, p.read(obj).toStringList(), name, key);
            else if (p.isWritable())
                LoadStringList(cursor, obj, p, key);
            break;
        }
        case TPropertyKind::Object:
            StreamObjectProperty(cursor, obj, p, section, direction);
            break;
        case TPropertyKind::Other:
            break;
        }
    });
}

void StreamAtKey(QObject* obj, const QString& keyPath, TStreamDirection direction)
{
    const QString path = QLatin1Char('\\') + keyPath;
    TRegistry reg;
    if (direction == TStreamDirection::Load && !reg.OpenKey(path, false)) {
        // Nothing stored yet: read from an empty key, so that every property
        // takes its default, without writing the store just to read it.
        THive nothingStored{QString()};
        TRegistry empty(nothingStored);
        if (!empty.OpenKey(path, true)) RaiseRegistryError(StrId::RegCreateFailed, keyPath);
        StreamProperties(obj, QString(), direction, empty);
        return;
    }
    if (!reg.OpenKey(path, true)) RaiseRegistryError(StrId::RegCreateFailed, keyPath);
    try {
        StreamProperties(obj, QString(), direction, reg);
    } catch (const ERegistryException&) {
        // What could be streamed is written all the same.
        reg.CloseKey();
        throw;
    }
    reg.CloseKey();
}

} // namespace

void StreamProperties(QObject* obj, const QString& section, TStreamDirection direction, TRegistry& key)
{
    QString error;
    QStringList unstorable;
    {
        TSectionCursor cursor(key);
        Stream(cursor, obj, section, direction);
        error = cursor.FirstError();
        unstorable = cursor.Unstorable();
    }
    // Taken out of the store once a copy of the file keeps them.
    if (!unstorable.isEmpty()) {
        QStringList notes;
        for (const QString& path : unstorable) notes.append(FormatStr(StrId::HiveNameNotStorable, path));
        if (key.Hive().KeepDamagedCopy(notes.join(QStringLiteral("; "))))
            for (const QString& path : unstorable) key.DeleteKey(path);
    }
    if (error.isEmpty()) return;
    if (direction == TStreamDirection::Load) throw EPartialLoad(error);
    throw ERegistryException(error);
}

void SaveToRegistry(QObject* obj, const QString& keyPath)
{
    StreamAtKey(obj, keyPath, TStreamDirection::Save);
}

void LoadFromRegistry(const QString& keyPath, QObject* obj)
{
    StreamAtKey(obj, keyPath, TStreamDirection::Load);
}

QString FindCollectionProperty(const QObject* obj)
{
    QString found;
    if (!obj) return found;
    ForEachPublishedProperty(obj, [&](const QMetaProperty& p) {
        if (KindOf(p) == TPropertyKind::Object && qobject_cast<TCollection*>(p.read(obj).value<QObject*>()))
            found = QString::fromLatin1(p.name());
    });
    return found;
}

bool DeleteRegistrySubKey(const QString& keyPath, const QString& subKey)
{
    if (SplitKeyPath(subKey).isEmpty()) return false;
    TRegistry reg;
    if (!reg.OpenKey(QLatin1Char('\\') + keyPath, true)) return false;
    const bool deleted = reg.DeleteKey(subKey);
    reg.CloseKey();
    return deleted;
}
