#include "platform/HiveTree.h"

namespace {

char16_t FoldChar(char16_t c)
{
    // Plain ASCII letters are by far the common case.
    return c < 128 ? (c >= 'a' && c <= 'z' ? char16_t(c - 32) : c) : char16_t(QChar::toUpper(c));
}

} // namespace

QString FoldKeyName(const QString& name)
{
    QString folded(name.size(), Qt::Uninitialized);
    const QChar* from = name.constData();
    QChar* to = folded.data();
    for (qsizetype i = 0; i < name.size(); ++i) to[i] = QChar(FoldChar(from[i].unicode()));
    return folded;
}

int CompareKeyNames(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i].unicode();
        char16_t cb = pb[i].unicode();
        if (ca == cb) continue;
        ca = FoldChar(ca);
        cb = FoldChar(cb);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

THiveKey* THiveKey::SubKey(const QString& name) const
{
    const auto it = FSubKeys.find(name);
    return it == FSubKeys.end() ? nullptr : it->second.get();
}

THiveKey* THiveKey::AddSubKey(const QString& name)
{
    auto it = FSubKeys.find(name);
    if (it == FSubKeys.end()) it = FSubKeys.emplace(name, std::make_unique<THiveKey>(name)).first;
    return it->second.get();
}

bool THiveKey::RemoveSubKey(const QString& name)
{
    return FSubKeys.erase(name) > 0;
}

QStringList THiveKey::SubKeyNames() const
{
    QStringList names;
    names.reserve(qsizetype(FSubKeys.size()));
    for (const auto& [name, key] : FSubKeys) names.append(key->Name());
    return names;
}

const THiveValue* THiveKey::Value(const QString& name) const
{
    const auto it = FValueIndex.constFind(FoldKeyName(name));
    return it == FValueIndex.cend() ? nullptr : &FValues[*it];
}

void THiveKey::SetValue(THiveValue value)
{
    const QString folded = FoldKeyName(value.Name);
    const auto it = FValueIndex.constFind(folded);
    if (it != FValueIndex.cend()) {
        THiveValue& v = FValues[*it];
        value.Name = v.Name;
        v = std::move(value);
        return;
    }
    FValueIndex.insert(folded, FValues.size());
    FValues.push_back(std::move(value));
}

bool THiveKey::RemoveValue(const QString& name)
{
    const auto it = FValueIndex.find(FoldKeyName(name));
    if (it == FValueIndex.end()) return false;
    const std::size_t at = *it;
    FValueIndex.erase(it);
    FValues.erase(FValues.begin() + qsizetype(at));
    // The values after it moved up by one.
    for (std::size_t i = at; i < FValues.size(); ++i) FValueIndex[FoldKeyName(FValues[i].Name)] = i;
    return true;
}

THiveKey* THiveKey::Find(const QStringList& path)
{
    THiveKey* key = this;
    for (const QString& part : path) {
        key = key->SubKey(part);
        if (!key) return nullptr;
    }
    return key;
}

THiveKey* THiveKey::FindOrCreate(const QStringList& path)
{
    THiveKey* key = this;
    for (const QString& part : path) key = key->AddSubKey(part);
    return key;
}

std::unique_ptr<THiveKey> THiveKey::Clone() const
{
    auto copy = std::make_unique<THiveKey>(FName);
    copy->FValues = FValues;
    copy->FValueIndex = FValueIndex;
    for (const auto& [name, key] : FSubKeys) copy->FSubKeys.emplace(name, key->Clone());
    return copy;
}

QStringList SplitKeyPath(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

namespace {

bool ValidName(const QString& name, qsizetype maxLength)
{
    if (name.size() > maxLength) return false;
    for (const QChar c : name)
        if (c.unicode() < 0x20) return false;
    return true;
}

} // namespace

bool ValidKeyName(const QString& name)
{
    return ValidName(name, kMaxKeyNameLength);
}

bool ValidValueName(const QString& name)
{
    return ValidName(name, kMaxValueNameLength);
}

bool ValidKeyPath(const QStringList& parts)
{
    if (parts.size() > kMaxKeyDepth) return false;
    for (const QString& part : parts)
        if (!ValidKeyName(part)) return false;
    return true;
}

bool ValueFitsTheStore(const THiveValue& value)
{
    return value.Data.size() <= kMaxValueSize && value.Text.size() <= kMaxValueSize / 2;
}
