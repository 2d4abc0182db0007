// The basic interface of the wizard's contracts: a query by identifier and
// reference counting that counts nothing (lifetimes follow ownership).
#pragma once

#include <QObject>
#include <QUuid>

class IInterface {
public:
    // Sets *obj and returns true when the object offers the interface iid.
    virtual bool QueryInterface(const QUuid& iid, void** obj) = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;

protected:
    ~IInterface() = default;
};

// The interface I with identifier iid of an object, or null.
template <class I> I* QueryWizInterface(QObject* object, const QUuid& iid)
{
    auto* base = dynamic_cast<IInterface*>(object);
    void* found = nullptr;
    if (!base || !base->QueryInterface(iid, &found)) return nullptr;
    return static_cast<I*>(found);
}
