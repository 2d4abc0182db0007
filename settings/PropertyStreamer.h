// The property streamer: stores the published properties of an object as
// values and subkeys of a key in the per-user settings store, and reads them
// back.
//
// Layout below the object's key K: one value per integer, enumeration and
// string property, named as the property (decimal text for numbers, "0"/"1"
// for booleans); floating point as an 8-byte binary value; a string list P as
// subkey K\P holding P0, P1, ...; a collection P as subkey K\P with one subkey
// per item, named by the item's display name.
#pragma once

#include "platform/Registry.h"
#include "platform/RegistryError.h"

#include <QObject>
#include <QString>

enum class TStreamDirection { Save, Load };

// Opens keyPath (relative to HKEY_CURRENT_USER, created when missing), streams
// obj into it and closes it, which writes the store.
void SaveToRegistry(QObject* obj, const QString& keyPath);
void LoadFromRegistry(const QString& keyPath, QObject* obj);

// Raised by a load that read everything but some collection items, which it
// left out (and left stored as they are); the message is the first item's error.
class EPartialLoad : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

// The recursive worker. key's current key is the object's key; section is a
// subkey path below it ("" for the key itself). Loading appends to string
// lists and collections; missing integers load as 0 and missing strings as "".
// A collection item that fails to load or save is left out and the rest goes
// on; the first failure is raised at the end (EPartialLoad when loading). An
// item loaded under a name that could not be stored again is left out too and
// taken out of the store, once a copy of the settings file keeps it.
void StreamProperties(QObject* obj, const QString& section, TStreamDirection direction, TRegistry& key);

// The name of the last published object property whose value is a
// collection, or "".
QString FindCollectionProperty(const QObject* obj);

// Deletes subKey (with everything below it) of keyPath and writes the store.
// An empty subKey deletes nothing.
bool DeleteRegistrySubKey(const QString& keyPath, const QString& subKey);
