#include "settings/Storage2.h"

#include "settings/Collection.h"
#include "settings/PropertyStreamer.h"
#include "settings/PublishedProperties.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QVariant>

#include <stdexcept>

void TStorageReg2::Save(QObject* obj)
{
    SaveToRegistry(obj, FStorageName);
}

bool TStorageReg2::Load(QObject* obj)
{
    LoadFromRegistry(FStorageName, obj);
    return true;
}

namespace {

// ---- the configuration-file form: one JSON object per settings object ----

struct EBadCfg : std::runtime_error {
    EBadCfg() : std::runtime_error("malformed settings file") {}
};

QJsonObject ToJson(const QObject* obj);

QJsonArray CollectionToJson(const TCollection* collection)
{
    QJsonArray items;
    for (int i = 0; i < collection->Count(); ++i) items.append(ToJson(collection->Item(i)));
    return items;
}

QJsonObject ToJson(const QObject* obj)
{
    QJsonObject json;
    ForEachPublishedProperty(obj, [&](const QMetaProperty& p) {
        const QString name = QString::fromLatin1(p.name());
        const QVariant value = p.read(obj);
        switch (KindOf(p)) {
        case TPropertyKind::Integer:
        case TPropertyKind::Enumeration:
            json[name] = value.metaType().id() == QMetaType::Bool ? QJsonValue(value.toBool())
                                                                   : QJsonValue(value.toLongLong());
            break;
        case TPropertyKind::Float: json[name] = value.toDouble(); break;
        case TPropertyKind::String: json[name] = value.toString(); break;
        case TPropertyKind::StringList: json[name] = QJsonArray::fromStringList(value.toStringList()); break;
        case TPropertyKind::Object:
            if (const QObject* child = value.value<QObject*>()) {
                QJsonObject nested = ToJson(child);
                if (const auto* collection = qobject_cast<const TCollection*>(child))
                    nested[QStringLiteral("items")] = CollectionToJson(collection);
                json[name] = nested;
            }
            break;
        case TPropertyKind::Other: break;
        }
    });
    return json;
}

void FromJson(QObject* obj, const QJsonObject& json)
{
    ForEachPublishedProperty(obj, [&](const QMetaProperty& p) {
        const QJsonValue v = json.value(QString::fromLatin1(p.name()));
        if (v.isUndefined()) return;  // absent: the property keeps its value
        switch (KindOf(p)) {
        case TPropertyKind::Integer:
        case TPropertyKind::Enumeration:
            if (v.isBool()) {
                p.write(obj, QVariant(v.toBool()));
            } else {
                const double d = v.toDouble();
                if (!v.isDouble() || d != double(qlonglong(d)) || !FitsIntegerProperty(p, qlonglong(d)))
                    throw EBadCfg();
                p.write(obj, QVariant(int(v.toDouble())));
            }
            break;
        case TPropertyKind::Float:
            if (!v.isDouble()) throw EBadCfg();
            p.write(obj, QVariant(v.toDouble()));
            break;
        case TPropertyKind::String:
            if (!v.isString()) throw EBadCfg();
            p.write(obj, QVariant(v.toString()));
            break;
        case TPropertyKind::StringList: {
            if (!v.isArray()) throw EBadCfg();
            QStringList list;
            for (const QJsonValue& s : v.toArray()) {
                if (!s.isString()) throw EBadCfg();
                list.append(s.toString());
            }
            p.write(obj, QVariant(list));
            break;
        }
        case TPropertyKind::Object: {
            QObject* child = p.read(obj).value<QObject*>();
            if (!child) return;
            if (!v.isObject()) throw EBadCfg();
            FromJson(child, v.toObject());
            if (auto* collection = qobject_cast<TCollection*>(child)) {
                const QJsonValue items = v.toObject().value(QStringLiteral("items"));
                if (!items.isArray()) throw EBadCfg();
                collection->Clear();
                for (const QJsonValue& item : items.toArray()) {
                    if (!item.isObject()) throw EBadCfg();
                    FromJson(collection->AddItem(), item.toObject());
                }
            }
            break;
        }
        case TPropertyKind::Other: break;
        }
    });
}

} // namespace

void TStorageCfg2::Save(QObject* obj)
{
    // Written beside the old file and renamed over it, so a failure keeps the old one.
    QSaveFile file(FStorageName);
    if (!file.open(QIODevice::WriteOnly)) return;
    QJsonObject root;
    root[QStringLiteral("class")] = QString::fromLatin1(obj->metaObject()->className());
    root[QStringLiteral("properties")] = ToJson(obj);
    file.write(QJsonDocument(root).toJson());
    file.commit();
}

bool TStorageCfg2::Load(QObject* obj)
{
    QFile file(FStorageName);
    if (!file.exists()) return false;
    if (!file.open(QIODevice::ReadOnly)) return false;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return false;
    const QJsonValue properties = doc.object().value(QStringLiteral("properties"));
    if (!properties.isObject()) return false;
    try {
        FromJson(obj, properties.toObject());
    } catch (const EBadCfg&) {
        return false;
    }
    return true;
}
