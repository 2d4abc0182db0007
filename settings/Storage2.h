// Storage back-ends of the settings objects: the per-user settings store
// (TStorageReg2) or a file of its own (TStorageCfg2).
#pragma once

#include <QObject>
#include <QString>

class IStorage2 {
public:
    virtual ~IStorage2() = default;
    virtual QString GetStorageName() const = 0;
    virtual void SetStorageName(const QString& name) = 0;
    // Writes the published properties of obj to the location.
    virtual void Save(QObject* obj) = 0;
    // Reads them back; true when something was read.
    virtual bool Load(QObject* obj) = 0;
};

class TStorage2 : public IStorage2 {
public:
    explicit TStorage2(const QString& name) : FStorageName(name) {}
    QString GetStorageName() const override { return FStorageName; }
    void SetStorageName(const QString& name) override { FStorageName = name; }

protected:
    QString FStorageName;
};

// The storage name is a key path relative to HKEY_CURRENT_USER, by
// convention ending in a backslash. Store errors propagate.
class TStorageReg2 : public TStorage2 {
public:
    using TStorage2::TStorage2;
    void Save(QObject* obj) override;
    // Always true.
    bool Load(QObject* obj) override;
};

// The storage name is a file path; the object is written as JSON. Errors are
// never reported: a failed save leaves the previous file, a failed load
// returns false and keeps the properties read so far.
class TStorageCfg2 : public TStorage2 {
public:
    using TStorage2::TStorage2;
    void Save(QObject* obj) override;
    bool Load(QObject* obj) override;
};
