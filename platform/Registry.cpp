#include "platform/Registry.h"

#include "platform/RegistryError.h"

#include <QtEndian>

#include <cstring>

namespace {

TRegDataType DataTypeOf(std::uint32_t type)
{
    switch (type) {
    case REG_SZ: return TRegDataType::rdString;
    case REG_EXPAND_SZ: return TRegDataType::rdExpandString;
    case REG_DWORD: return TRegDataType::rdInteger;
    case REG_BINARY: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
    }
}

int DataSizeOf(const THiveValue& v)
{
    switch (v.Type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return int((v.Text.size() + 1) * 2);
    case REG_DWORD: return 4;
    default: return int(v.Data.size());
    }
}

} // namespace

TRegistry::TRegistry() : FHive(&THive::Default()) {}

TRegistry::TRegistry(THive& hive) : FHive(&hive) {}

TRegistry::~TRegistry()
{
    try {
        CloseKey();
    } catch (const ERegistryException& e) {
        qWarning("%s", qUtf8Printable(e.Message()));
    }
}

QStringList TRegistry::ResolvePath(const QString& key) const
{
    const QStringList parts = SplitKeyPath(key);
    if (!FOpen || key.startsWith(QLatin1Char('\\'))) return parts;
    return FPath + parts;
}

THiveKey* TRegistry::CurrentKey() const
{
    if (!FOpen) return nullptr;
    if (!FKey || FKeyGeneration != FHive->Generation()) {
        FKey = FHive->Find(FPath);
        FKeyGeneration = FHive->Generation();
    }
    return FKey;
}

bool TRegistry::OpenKey(const QString& key, bool canCreate)
{
    std::lock_guard guard(FHive->Mutex());
    // A new session sees what other processes have written since.
    if (!FOpen) FHive->Refresh();
    const QStringList path = ResolvePath(key);
    if (!ValidKeyPath(path)) return false;
    if (!FHive->Find(path)) {
        if (!canCreate) return false;
        FHive->CreateKey(path);
    }
    FPath = path;
    FKey = nullptr;
    FOpen = true;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key)
{
    if (!OpenKey(key, false)) return false;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey()
{
    if (!FOpen) return;
    FOpen = false;
    FReadOnly = false;
    FPath.clear();
    FKey = nullptr;
    FHive->Commit();
}

void TRegistry::Flush()
{
    FHive->Commit();
}

void TRegistry::CreateKey(const QString& key)
{
    std::lock_guard guard(FHive->Mutex());
    const QStringList path = ResolvePath(key);
    if (FReadOnly || !ValidKeyPath(path)) RaiseRegistryError(StrId::RegCreateFailed, key);
    FHive->CreateKey(path);
}

bool TRegistry::DeleteKey(const QString& key)
{
    std::lock_guard guard(FHive->Mutex());
    const QStringList path = ResolvePath(key);
    // Never the root, and never the key itself through an empty name.
    if (FReadOnly || SplitKeyPath(key).isEmpty()) return false;
    return FHive->DeleteKey(path);
}

bool TRegistry::KeyExists(const QString& key) const
{
    std::lock_guard guard(FHive->Mutex());
    return FHive->Find(ResolvePath(key)) != nullptr;
}

bool TRegistry::HasSubKeys() const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveKey* k = CurrentKey();
    return k && k->HasSubKeys();
}

QStringList TRegistry::GetKeyNames() const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveKey* k = CurrentKey();
    return k ? k->SubKeyNames() : QStringList();
}

QStringList TRegistry::GetValueNames() const
{
    std::lock_guard guard(FHive->Mutex());
    QStringList names;
    if (const THiveKey* k = CurrentKey())
        for (const THiveValue& v : k->Values()) names.append(v.Name);
    return names;
}

const THiveValue* TRegistry::FindValue(const QString& name) const
{
    const THiveKey* k = CurrentKey();
    return k ? k->Value(name) : nullptr;
}

bool TRegistry::ValueExists(const QString& name) const
{
    std::lock_guard guard(FHive->Mutex());
    return FindValue(name) != nullptr;
}

bool TRegistry::DeleteValue(const QString& name)
{
    std::lock_guard guard(FHive->Mutex());
    if (!FOpen || FReadOnly) return false;
    return FHive->DeleteValue(FPath, name);
}

bool TRegistry::GetDataInfo(const QString& name, TRegDataInfo& info) const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveValue* v = FindValue(name);
    info = TRegDataInfo{};
    if (!v) return false;
    info.RegData = DataTypeOf(v->Type);
    info.DataSize = DataSizeOf(*v);
    return true;
}

TRegDataType TRegistry::GetDataType(const QString& name) const
{
    TRegDataInfo info;
    GetDataInfo(name, info);
    return info.RegData;
}

int TRegistry::GetDataSize(const QString& name) const
{
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

QString TRegistry::ReadString(const QString& name) const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveValue* v = FindValue(name);
    if (!v) return QString();
    if (v->Type != REG_SZ && v->Type != REG_EXPAND_SZ) RaiseRegistryError(StrId::InvalidRegType, name);
    return v->Text;
}

int TRegistry::ReadInteger(const QString& name) const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveValue* v = FindValue(name);
    if (!v) RaiseRegistryError(StrId::RegGetDataFailed, name);
    if (v->Type != REG_DWORD) RaiseRegistryError(StrId::InvalidRegType, name);
    return int(v->Dword);
}

double TRegistry::ReadFloat(const QString& name) const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveValue* v = FindValue(name);
    if (!v) RaiseRegistryError(StrId::RegGetDataFailed, name);
    if (v->Type != REG_BINARY || v->Data.size() != 8) RaiseRegistryError(StrId::InvalidRegType, name);
    return qFromLittleEndian<double>(v->Data.constData());
}

QByteArray TRegistry::ReadBinaryData(const QString& name) const
{
    std::lock_guard guard(FHive->Mutex());
    const THiveValue* v = FindValue(name);
    if (!v) RaiseRegistryError(StrId::RegGetDataFailed, name);
    if (v->Type != REG_BINARY) RaiseRegistryError(StrId::InvalidRegType, name);
    return v->Data;
}

void TRegistry::Write(THiveValue value)
{
    std::lock_guard guard(FHive->Mutex());
    if (!FOpen || FReadOnly || !ValueFitsTheStore(value) || !ValidValueName(value.Name))
        RaiseRegistryError(StrId::RegSetDataFailed, value.Name);
    FHive->SetValue(FPath, std::move(value), CurrentKey());
}

void TRegistry::WriteString(const QString& name, const QString& value)
{
    Write(THiveValue{name, REG_SZ, value, {}, 0});
}

void TRegistry::WriteExpandString(const QString& name, const QString& value)
{
    Write(THiveValue{name, REG_EXPAND_SZ, value, {}, 0});
}

void TRegistry::WriteInteger(const QString& name, int value)
{
    Write(THiveValue{name, REG_DWORD, {}, {}, std::uint32_t(value)});
}

void TRegistry::WriteFloat(const QString& name, double value)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    WriteBinaryData(name, bytes);
}

void TRegistry::WriteBinaryData(const QString& name, const QByteArray& value)
{
    Write(THiveValue{name, REG_BINARY, {}, value, 0});
}
