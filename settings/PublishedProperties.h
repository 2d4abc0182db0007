// The published properties of a settings object: its Qt properties, walked
// in declaration order, base class first, and sorted into the kinds the
// persistence layers know how to store.
#pragma once

#include <QMetaProperty>
#include <QObject>

enum class TPropertyKind {
    Integer,      // 8-, 16- and 32-bit integers
    Enumeration,  // enumerations and booleans
    Float,        // float, double
    String,       // QString
    StringList,   // QStringList
    Object,       // pointer to a QObject (a collection or a nested object)
    Other,        // not stored (flags, 64-bit integers, characters, ...)
};

TPropertyKind KindOf(const QMetaProperty& property);

// Whether text parses as an integer that fits the property's type.
bool FitsIntegerProperty(const QMetaProperty& property, qlonglong value);

// The object name and the "Name" and "Tag" properties are never persisted.
bool IsPersistedProperty(const QMetaProperty& property);

template <class F>
void ForEachPublishedProperty(const QObject* obj, F f)
{
    const QMetaObject* meta = obj->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (IsPersistedProperty(property)) f(property);
    }
}
