// The template store: named sets of face image files with a default box size,
// kept under the program key in "Templates".
#pragma once

#include "settings/ComponentStreamer.h"
#include "templates/StreamableCollection.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

class TTemplateItem : public TStreamableCollectionItem {
    Q_OBJECT
    // Declaration order is the order of storing.
    Q_PROPERTY(QString FrontImage READ FrontImage WRITE SetFrontImage)
    Q_PROPERTY(QString SideImage READ SideImage WRITE SetSideImage)
    Q_PROPERTY(QString TopImage READ TopImage WRITE SetTopImage)
    Q_PROPERTY(int DefaultHeight READ DefaultHeight WRITE SetDefaultHeight)
    Q_PROPERTY(int DefaultWidth READ DefaultWidth WRITE SetDefaultWidth)
public:
    static constexpr int kFallbackHeight = 300;
    static constexpr int kFallbackWidth = 250;

    // Image paths are kept exactly as entered.
    QString FrontImage() const { return FFrontImage; }
    void SetFrontImage(const QString& value) { FFrontImage = value; }
    QString SideImage() const { return FSideImage; }
    void SetSideImage(const QString& value) { FSideImage = value; }
    // Used only by the three-sided box.
    QString TopImage() const { return FTopImage; }
    void SetTopImage(const QString& value) { FTopImage = value; }
    // A fresh item holds 0 until set; 0 or less is stored as 300.
    int DefaultHeight() const { return FDefaultHeight; }
    void SetDefaultHeight(int value) { FDefaultHeight = value > 0 ? value : kFallbackHeight; }
    // 0 or less is stored as 250.
    int DefaultWidth() const { return FDefaultWidth; }
    void SetDefaultWidth(int value) { FDefaultWidth = value > 0 ? value : kFallbackWidth; }

    bool Assign(const QObject* source) override;

private:
    QString FTopImage;
    QString FFrontImage;
    QString FSideImage;
    int FDefaultWidth = 0;
    int FDefaultHeight = 0;
};

class TTemplateContainer;
using TTemplateChangeEvent = std::function<void(TTemplateContainer* sender, TTemplateItem* item)>;

class TTemplateCollection : public TStreamableCollection {
    Q_OBJECT
public:
    explicit TTemplateCollection(QObject* owner);

    TTemplateItem* Add();
    TTemplateItem* Items(int index) const;
    TTemplateItem* FindByName(const QString& name) const;

    void Update(TCollectionItem* item) override;
};

class TTemplateContainer : public TCustomComponentStreamer {
    Q_OBJECT
    Q_PROPERTY(TTemplateCollection* Templates READ Templates WRITE SetTemplates)
public:
    // Create: an empty container, nothing loaded.
    explicit TTemplateContainer(QObject* owner = nullptr);
    // CreateReg / CreateCfg: loads the stored templates.
    TTemplateContainer(QObject* owner, std::uint8_t kind, const QString& storageName);
    static TTemplateContainer* CreateReg(QObject* owner, const QString& storageName);
    static TTemplateContainer* CreateCfg(QObject* owner, const QString& storageName);
    // Saves while AutoSave is set.
    ~TTemplateContainer() override;

    TTemplateCollection* Templates() const { return FTemplates.get(); }
    // Copies the given collection's items.
    void SetTemplates(TTemplateCollection* value);

    TTemplateChangeEvent OnTemplateChange;

    // A new item with no name and sizes 0.
    TTemplateItem* AddTemplate();
    // Frees item; a registry-stored container deletes its stored subkey at once.
    void RemoveTemplate(TTemplateItem* item);
    // By name, ignoring letter case.
    TTemplateItem* FindTemplate(const QString& name) const;
    int IndexOfTemplate(const QString& name) const;
    // Every item's name in collection order, and with objects the items too.
    void GetTemplateNames(QStringList& names, QList<TTemplateItem*>* objects = nullptr) const;
    QStringList GetTemplateNames() const;

    bool Assign(const QObject* source) override;

private:
    // Freed with the container, also when loading in a constructor fails.
    std::unique_ptr<TTemplateCollection> FTemplates;
};

// The one template container. 1: saves it while AutoSave is set (store errors
// propagate), frees it and returns null. Anything else: returns it, creating
// it on first use for the program key, which loads the stored templates.
// When some stored templates could not be loaded, the first call raises the
// first one's error; the container holds the others and later calls return it.
TTemplateContainer* TemplateContainer(int action);

// The bundled sample image of a face (1 front, 2 side, 3 top) in the
// Samples folder beside the program.
QString SampleFacePath(int face);

// When the store is empty, adds "Sample Template" with the three sample images
// of the Samples folder beside the program and 250 x 300. True if it was added.
bool EnsureSampleTemplate(TTemplateContainer* container);
