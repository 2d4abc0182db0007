// TRegistry: a handle on the per-user settings store with a current key,
// in the manner of the platform registry API.
//
// Key paths are relative to the current key, or to HKEY_CURRENT_USER when
// they begin with a backslash or no key is open. Changes are visible at once
// to every handle in the process and are written to the file when the key is
// closed or flushed.
#pragma once

#include "platform/Hive.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = TRegDataType::rdUnknown;
    int DataSize = 0;
};

class TRegistry {
public:
    TRegistry();
    explicit TRegistry(THive& hive);
    // Closes the key; a failure to write is reported on stderr, never thrown.
    // Call CloseKey() first where the caller must learn of it.
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    THive& Hive() const { return *FHive; }

    // Opens key, creating it when canCreate. False when it is missing and may
    // not be created, or when its name cannot be stored (a part longer than 255
    // characters or holding control characters).
    bool OpenKey(const QString& key, bool canCreate);
    bool OpenKeyReadOnly(const QString& key);
    // Commits pending changes, then forgets the current key. Raises on I/O errors.
    void CloseKey();
    void Flush();
    bool HasCurrentKey() const { return FOpen; }
    // The current key's path below HKEY_CURRENT_USER, without leading backslash.
    QString CurrentPath() const { return FPath.join(QLatin1Char('\\')); }

    // Raises "Failed to create key %s" when the key cannot be made.
    void CreateKey(const QString& key);
    // Deletes key with everything below it.
    bool DeleteKey(const QString& key);
    bool KeyExists(const QString& key) const;
    bool HasSubKeys() const;
    QStringList GetKeyNames() const;

    QStringList GetValueNames() const;
    bool ValueExists(const QString& name) const;
    bool DeleteValue(const QString& name);
    // False when the value is missing.
    bool GetDataInfo(const QString& name, TRegDataInfo& info) const;
    TRegDataType GetDataType(const QString& name) const;
    // -1 when the value is missing.
    int GetDataSize(const QString& name) const;

    // Missing strings read as empty; values of another type raise
    // "Invalid data type for '%s'".
    QString ReadString(const QString& name) const;
    // Missing values raise "Failed to get data for '%s'"; values of another
    // type "Invalid data type for '%s'".
    int ReadInteger(const QString& name) const;
    double ReadFloat(const QString& name) const;
    QByteArray ReadBinaryData(const QString& name) const;

    // Raise "Failed to set data for '%s'" on a read-only handle or a value
    // name that cannot be stored.
    void WriteString(const QString& name, const QString& value);
    void WriteExpandString(const QString& name, const QString& value);
    void WriteInteger(const QString& name, int value);
    void WriteFloat(const QString& name, double value);
    void WriteBinaryData(const QString& name, const QByteArray& value);

private:
    QStringList ResolvePath(const QString& key) const;
    // The current key in the tree; found again only when the store says keys may have gone.
    THiveKey* CurrentKey() const;
    const THiveValue* FindValue(const QString& name) const;
    void Write(THiveValue value);

    THive* FHive;
    QStringList FPath;
    mutable THiveKey* FKey = nullptr;
    mutable std::uint64_t FKeyGeneration = 0;
    bool FOpen = false;
    bool FReadOnly = false;
};
