// The in-memory form of the per-user settings store: keys holding named,
// typed values and subkeys. Key and value names compare without regard to
// case and keep the case they were first written in.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// Value types, numbered as the registry numbers them.
enum THiveValueType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

struct THiveValue {
    QString Name;
    std::uint32_t Type = REG_SZ;
    QString Text;      // REG_SZ, REG_EXPAND_SZ
    QByteArray Data;   // REG_BINARY and every type this store does not interpret
    std::uint32_t Dword = 0;

    friend bool operator==(const THiveValue&, const THiveValue&) = default;
};

// Orders names as the registry enumerates them: by their upper-case forms.
int CompareKeyNames(const QString& a, const QString& b);
// The upper-case form CompareKeyNames compares: names that compare equal fold
// to the same string.
QString FoldKeyName(const QString& name);
struct TKeyNameLess {
    bool operator()(const QString& a, const QString& b) const { return CompareKeyNames(a, b) < 0; }
};

class THiveKey {
public:
    explicit THiveKey(QString name = QString()) : FName(std::move(name)) {}

    const QString& Name() const { return FName; }

    THiveKey* SubKey(const QString& name) const;
    // The existing subkey (keeping its case) or a new one.
    THiveKey* AddSubKey(const QString& name);
    bool RemoveSubKey(const QString& name);
    bool HasSubKeys() const { return !FSubKeys.empty(); }
    // Subkey names in enumeration order.
    QStringList SubKeyNames() const;
    template <class F> void ForEachSubKey(F f) const
    {
        for (const auto& [name, key] : FSubKeys) f(*key);
    }

    const THiveValue* Value(const QString& name) const;
    // Replaces a value of the same name (which keeps its first-written case) or appends.
    void SetValue(THiveValue value);
    bool RemoveValue(const QString& name);
    // Values in the order they were first written.
    const std::vector<THiveValue>& Values() const { return FValues; }

    // Follows a path of subkey names; null when a part is missing.
    THiveKey* Find(const QStringList& path);
    // Follows a path, creating the missing parts.
    THiveKey* FindOrCreate(const QStringList& path);

    std::unique_ptr<THiveKey> Clone() const;

private:
    QString FName;
    std::map<QString, std::unique_ptr<THiveKey>, TKeyNameLess> FSubKeys;
    std::vector<THiveValue> FValues;
    // Position in FValues by folded name, so that finding or replacing a
    // value does not walk a key of many values.
    QHash<QString, std::size_t> FValueIndex;
};

// Keys nest at most this deep below a root, as in the registry; it also keeps
// the recursive walks over a hostile file within the stack.
inline constexpr qsizetype kMaxKeyDepth = 512;

// Limits of names and data, as in the registry. The file reader skips what
// the store would refuse to write, so that whatever loads can be saved again.
inline constexpr qsizetype kMaxKeyNameLength = 255;
inline constexpr qsizetype kMaxValueNameLength = 16383;
inline constexpr qsizetype kMaxValueSize = 16 << 20;

// Names hold no control characters: they would break the one-line-per-key
// file format, and a person could not tell such names apart.
bool ValidKeyName(const QString& name);
bool ValidValueName(const QString& name);
// Every part a valid key name, at most kMaxKeyDepth parts.
bool ValidKeyPath(const QStringList& parts);
bool ValueFitsTheStore(const THiveValue& value);

// Splits a key path at its backslashes, dropping empty parts.
QStringList SplitKeyPath(const QString& path);
