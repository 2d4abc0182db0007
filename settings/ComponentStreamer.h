// TCustomComponentStreamer: base of every persisted settings object. It names
// a storage location and kind and hands itself to a storage back-end that
// writes or reads all of its published (Qt) properties.
#pragma once

#include "settings/Storage2.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

enum TStorageKind : std::uint8_t {
    skRegistry = 0,    // TStorageReg2
    skConfigFile = 1,  // TStorageCfg2
};

// Found on a settings object with dynamic_cast; it owns nothing.
class IComponentStreamer {
public:
    virtual QString GetStorageName() const = 0;
    virtual void SetStorageName(const QString& name) = 0;
    virtual void WriteToStorage(QObject* obj) = 0;
    virtual bool ReadFromStorage(QObject* obj) = 0;
    virtual std::uint8_t GetStorageKind() const = 0;
    virtual void SetStorageKind(std::uint8_t kind) = 0;
    virtual void CreateStorage() = 0;
    virtual void Save() = 0;
    virtual bool Load() = 0;

protected:
    ~IComponentStreamer() = default;
};

class TCustomComponentStreamer : public QObject, public IComponentStreamer {
    Q_OBJECT
public:
    // Create: registry kind, no name. The owner (Qt parent) destroys it.
    explicit TCustomComponentStreamer(QObject* owner = nullptr);
    // CreateReg / CreateCfg.
    TCustomComponentStreamer(QObject* owner, std::uint8_t kind, const QString& storageName);
    ~TCustomComponentStreamer() override;

    QString GetStorageName() const override { return FStorageName; }
    void SetStorageName(const QString& name) override { FStorageName = name; }
    std::uint8_t GetStorageKind() const override { return FStorageKind; }
    void SetStorageKind(std::uint8_t kind) override { FStorageKind = kind; }

    // When true, destroying the object saves it first.
    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool value) { FAutoSave = value; }
    IStorage2* Storage() const { return FStorage.get(); }

    // Through the current back-end, made first if there is none.
    void WriteToStorage(QObject* obj) override;
    bool ReadFromStorage(QObject* obj) override;
    // A fresh back-end for the current kind and name; none for an unknown kind.
    void CreateStorage() override;
    // Save and Load always use a fresh back-end, so a changed name or kind
    // takes effect at once. Registry errors propagate.
    void Save() override;
    bool Load() override;

    // Copies from source when it is of a compatible class; false otherwise.
    virtual bool Assign(const QObject* source);

    // The error of a load in the constructor that left some collection items
    // out, once; empty otherwise.
    QString TakeLoadError();

protected:
    // Load for constructors: when it raises, AutoSave is cleared so that the
    // half-built object does not write its defaults over the stored values.
    // A load that only left collection items out keeps the object and its
    // AutoSave, and its error waits in TakeLoadError.
    void LoadOnCreate();
    // Saves if AutoSave is set, then clears it. Every concrete class calls
    // this from its destructor, while the whole object is still alive; a
    // failure is reported on stderr since a destructor cannot raise.
    void SaveOnDestroy() noexcept;

private:
    std::unique_ptr<IStorage2> FStorage;
    std::uint8_t FStorageKind = skRegistry;
    QString FStorageName;
    bool FAutoSave = true;
    QString FLoadError;
};

// Frees a process-wide settings object (the accessors' argument 1): saves it
// while AutoSave is set, letting a store error reach the caller, and frees it
// either way.
template <class T>
void FreeSettingsObject(T*& instance)
{
    T* object = instance;
    instance = nullptr;
    if (!object) return;
    struct TDeleter {
        T* Object;
        ~TDeleter() { delete Object; }
    } deleter{object};
    if (object->AutoSave()) {
        object->SetAutoSave(false);
        object->Save();
    }
}

// The shape of the process-wide accessors: action 1 frees the object (see
// FreeSettingsObject) and returns null; any other action returns it, made by
// create on first use.
template <class T, class Create>
T* SettingsAccessor(T*& instance, int action, Create create)
{
    if (action == 1) {
        FreeSettingsObject(instance);
        return nullptr;
    }
    if (!instance) instance = create();
    return instance;
}
