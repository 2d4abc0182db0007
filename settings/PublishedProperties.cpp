#include "settings/PublishedProperties.h"

#include <QStringList>

#include <cstring>
#include <limits>

TPropertyKind KindOf(const QMetaProperty& property)
{
    // Flags are sets, which are not stored; Qt reports them as enumerations too.
    if (property.isFlagType()) return TPropertyKind::Other;
    if (property.isEnumType()) return TPropertyKind::Enumeration;
    const QMetaType type = property.metaType();
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return TPropertyKind::Integer;
    case QMetaType::Bool:
        return TPropertyKind::Enumeration;
    case QMetaType::Double:
    case QMetaType::Float:
        return TPropertyKind::Float;
    case QMetaType::QString:
        return TPropertyKind::String;
    case QMetaType::QStringList:
        return TPropertyKind::StringList;
    default:
        break;
    }
    if (type.flags() & QMetaType::PointerToQObject) return TPropertyKind::Object;
    return TPropertyKind::Other;
}

bool FitsIntegerProperty(const QMetaProperty& property, qlonglong value)
{
    auto within = [value](auto lo, auto hi) { return value >= qlonglong(lo) && value <= qlonglong(hi); };
    switch (property.metaType().id()) {
    case QMetaType::UInt: return within(0, std::numeric_limits<quint32>::max());
    case QMetaType::Short: return within(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    case QMetaType::UShort: return within(0, std::numeric_limits<quint16>::max());
    case QMetaType::SChar: return within(-128, 127);
    case QMetaType::UChar: return within(0, 255);
    default: return within(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    }
}

bool IsPersistedProperty(const QMetaProperty& property)
{
    const char* name = property.name();
    return std::strcmp(name, "objectName") != 0 && std::strcmp(name, "Name") != 0 && std::strcmp(name, "Tag") != 0;
}
