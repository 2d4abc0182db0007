// The template store: items, their persisted layout, removal and the sample template.
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "platform/RegistryError.h"
#include "settings/ProgramKey.h"
#include "templates/TemplateList.h"

namespace {

class TemplateStoreTest : public THiveTest {
protected:
    void TearDown() override
    {
        try {
            TemplateContainer(1);
        } catch (const ERegistryException&) {
        }
        THiveTest::TearDown();
    }

    static QString TemplatesKey() { return QLatin1Char('\\') + ProgramKey() + QStringLiteral("Templates"); }

    static QStringList StoredNames()
    {
        TRegistry reg;
        return reg.OpenKey(TemplatesKey(), false) ? reg.GetKeyNames() : QStringList();
    }

    static void PutTemplate(const QString& name, const QList<QPair<QString, QString>>& values)
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TemplatesKey() + QLatin1Char('\\') + name, true));
        for (const auto& [n, v] : values) reg.WriteString(n, v);
        reg.CloseKey();
    }

    static TTemplateItem* Add(TTemplateContainer* c, const QString& name)
    {
        TTemplateItem* item = c->AddTemplate();
        item->SetItemName(name);
        item->SetFrontImage(QStringLiteral("/img/") + name + QStringLiteral("-front.jpg"));
        item->SetDefaultHeight(400);
        item->SetDefaultWidth(320);
        return item;
    }
};

} // namespace

TEST_F(TemplateStoreTest, FirstRunCreatesTheSampleTemplate)
{
    TTemplateContainer* c = TemplateContainer(0);
    EXPECT_EQ(c->Templates()->Count(), 0);
    EXPECT_TRUE(EnsureSampleTemplate(c));
    EXPECT_FALSE(EnsureSampleTemplate(c)) << "only into an empty store";
    TTemplateItem* sample = c->FindTemplate(QStringLiteral("sample template"));
    ASSERT_TRUE(sample);
    EXPECT_EQ(c->IndexOfTemplate(QStringLiteral("SAMPLE TEMPLATE")), 0);
    EXPECT_EQ(sample->ItemName(), "Sample Template");
    EXPECT_EQ(sample->FrontImage(), ProgramFolder() + "Samples/GreyfinchFront.jpg");
    EXPECT_EQ(sample->SideImage(), ProgramFolder() + "Samples/GreyfinchSide.jpg");
    EXPECT_EQ(sample->TopImage(), ProgramFolder() + "Samples/GreyfinchTop.jpg");
    EXPECT_EQ(sample->DefaultWidth(), 250);
    EXPECT_EQ(sample->DefaultHeight(), 300);

    // Deleting every template brings the sample back at the next fill.
    c->RemoveTemplate(sample);
    EXPECT_EQ(c->Templates()->Count(), 0);
    EXPECT_TRUE(EnsureSampleTemplate(c));
}

TEST_F(TemplateStoreTest, SavedLayoutAndReloadThroughTheAccessor)
{
    TTemplateContainer* c = TemplateContainer(0);
    Add(c, QStringLiteral("Zeta"));
    Add(c, QStringLiteral("alpha"))->SetTopImage(QStringLiteral("/img/top \"q\".jpg"));
    EXPECT_EQ(TemplateContainer(1), nullptr);

    EXPECT_EQ(StoredNames(), QStringList({"alpha", "Zeta"}));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TemplatesKey() + "\\Zeta", false));
    EXPECT_EQ(reg.GetValueNames(),
              QStringList({"ItemName", "FrontImage", "SideImage", "TopImage", "DefaultHeight", "DefaultWidth"}));
    EXPECT_EQ(reg.ReadString("DefaultHeight"), "400");
    EXPECT_EQ(reg.ReadString("FrontImage"), "/img/Zeta-front.jpg");
    reg.CloseKey();

    c = TemplateContainer(0);
    EXPECT_EQ(c->GetTemplateNames(), QStringList({"alpha", "Zeta"})) << "loaded in enumeration order";
    QStringList names;
    QList<TTemplateItem*> items;
    c->GetTemplateNames(names, &items);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->TopImage(), "/img/top \"q\".jpg");
    EXPECT_EQ(items[1]->DefaultWidth(), 320);
}

TEST_F(TemplateStoreTest, MissingOrNonPositiveSizesLoadAsDefaults)
{
    PutTemplate("NoWidth", {{"ItemName", "NoWidth"}, {"DefaultHeight", "310"}});
    PutTemplate("Negative", {{"ItemName", "Negative"}, {"DefaultHeight", "-5"}, {"DefaultWidth", "0"}});
    PutTemplate("Junk", {{"ItemName", "Junk"}, {"DefaultHeight", "12px"}, {"DefaultWidth", "99999999999"}});
    TTemplateContainer* c = TemplateContainer(0);
    ASSERT_EQ(c->Templates()->Count(), 3);
    EXPECT_EQ(c->FindTemplate("NoWidth")->DefaultWidth(), 250);
    EXPECT_EQ(c->FindTemplate("NoWidth")->DefaultHeight(), 310);
    EXPECT_EQ(c->FindTemplate("Negative")->DefaultHeight(), 300);
    EXPECT_EQ(c->FindTemplate("Negative")->DefaultWidth(), 250);
    EXPECT_EQ(c->FindTemplate("Junk")->DefaultHeight(), 300);
    EXPECT_EQ(c->FindTemplate("Junk")->DefaultWidth(), 250);
    EXPECT_EQ(c->FindTemplate("junk")->FrontImage(), "");
}

TEST_F(TemplateStoreTest, WrongValueTypeIsReportedOnceAndTheOtherTemplatesLoad)
{
    PutTemplate("Good", {{"ItemName", "Good"}});
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(TemplatesKey() + "\\Bad", true));
        reg.WriteInteger("DefaultWidth", 250);
        reg.CloseKey();
    }
    try {
        TemplateContainer(0);
        FAIL() << "expected an error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for 'DefaultWidth'");
    }
    EXPECT_EQ(TemplateContainer(0)->GetTemplateNames(), QStringList{"Good"});
    TemplateContainer(1);
    // Nothing was written over the stored value, which waits to be repaired.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TemplatesKey() + "\\Bad", false));
    EXPECT_EQ(reg.ReadInteger("DefaultWidth"), 250);
}

TEST_F(TemplateStoreTest, RemovingATemplateDeletesItsKeyAtOnce)
{
    TTemplateContainer* c = TemplateContainer(0);
    Add(c, "Keep");
    Add(c, "Drop");
    c->Save();
    EXPECT_EQ(StoredNames(), QStringList({"Drop", "Keep"}));
    c->RemoveTemplate(c->FindTemplate("drop"));
    EXPECT_EQ(StoredNames(), QStringList{"Keep"}) << "before any save";
    EXPECT_FALSE(HiveFile().contains("Drop"));
    EXPECT_EQ(c->GetTemplateNames(), QStringList{"Keep"});

    // Removing something that is not in the store, or an index out of range, does nothing.
    TTemplateItem stranger;
    c->RemoveTemplate(&stranger);
    c->Templates()->Delete(5);
    c->Templates()->Delete(-1);
    EXPECT_EQ(c->Templates()->Count(), 1);
    EXPECT_EQ(c->Templates()->Items(3), nullptr);
}

TEST_F(TemplateStoreTest, UnnamedItemIsStoredUnderItsClassName)
{
    TTemplateContainer* c = TemplateContainer(0);
    Add(c, "Named");
    TTemplateItem* unnamed = c->AddTemplate();
    unnamed->SetDefaultWidth(0);
    unnamed->SetDefaultHeight(0);
    EXPECT_EQ(unnamed->DisplayName(), "TTemplateItem");
    TemplateContainer(1);
    EXPECT_EQ(StoredNames(), QStringList({"Named", "TTemplateItem"}));

    c = TemplateContainer(0);
    TTemplateItem* back = c->Templates()->Items(1);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ItemName(), "");
    EXPECT_EQ(back->DefaultWidth(), 250);
    // Removing it takes only its own key, not the whole collection.
    c->RemoveTemplate(back);
    EXPECT_EQ(StoredNames(), QStringList{"Named"});
}

TEST_F(TemplateStoreTest, ItemsCopyMoveAndSignalChanges)
{
    TTemplateContainer container;
    container.SetAutoSave(false);
    int changes = 0;
    TTemplateItem* changed = nullptr;
    container.OnTemplateChange = [&](TTemplateContainer* sender, TTemplateItem* item) {
        EXPECT_EQ(sender, &container);
        changed = item;
        ++changes;
    };
    TTemplateItem* a = Add(&container, "A");
    TTemplateItem* b = container.AddTemplate();
    EXPECT_EQ(b->DefaultWidth(), 0) << "a fresh item holds 0 until set";
    EXPECT_TRUE(b->Assign(a));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changed, b);
    EXPECT_EQ(b->ItemName(), "A");
    EXPECT_EQ(b->FrontImage(), a->FrontImage());
    EXPECT_EQ(b->DefaultHeight(), 400);
    b->SetItemName("B");
    container.Templates()->Move(1, 0);
    EXPECT_EQ(container.GetTemplateNames(), QStringList({"B", "A"}));

    TTemplateContainer copy;
    copy.SetAutoSave(false);
    EXPECT_TRUE(copy.Assign(&container));
    EXPECT_EQ(copy.GetTemplateNames(), QStringList({"B", "A"}));
    EXPECT_NE(copy.Templates()->Items(0), b) << "the items are copies";

    // Kept in a file of its own: removal touches no registry key.
    container.SetStorageKind(skConfigFile);
    container.RemoveTemplate(a);
    EXPECT_FALSE(QFile::exists(HivePath()));
}

TEST_F(TemplateStoreTest, NamesCompareIgnoringAsciiCaseOnly)
{
    TTemplateContainer container;
    container.SetAutoSave(false);
    Add(&container, QStringLiteral("Box \u00c9t\u00e9"));
    Add(&container, QStringLiteral("box \u00c9T\u00e9"));
    EXPECT_EQ(container.IndexOfTemplate(QStringLiteral("BOX \u00c9T\u00e9")), 0);
    EXPECT_EQ(container.IndexOfTemplate(QStringLiteral("box \u00e9t\u00e9")), -1);
    EXPECT_EQ(container.IndexOfTemplate(QStringLiteral("box")), -1);
    EXPECT_EQ(container.FindTemplate(QStringLiteral("nothing")), nullptr);
}

TEST_F(TemplateStoreTest, NamesTheStoreCannotHoldAreLeftOutAtLoadingAndKeptInACopy)
{
    PutTemplate("Alpha", {{"ItemName", "Alpha"}});
    PutTemplate("Lines", {{"ItemName", "two\nlines"}});
    PutTemplate("Long", {{"ItemName", QString(256, QLatin1Char('n'))}});
    PutTemplate("Slash", {{"ItemName", "a\\b"}});
    PutTemplate("Zulu", {{"ItemName", "Zulu"}, {"DefaultWidth", "260"}});
    const QByteArray original = HiveFile();
    EXPECT_EQ(TemplateContainer(0)->GetTemplateNames(), QStringList({"Alpha", "Zulu"}));
    const QStringList copies = Hive().TakeSetAsideCopies();
    ASSERT_EQ(copies.size(), 1);
    QFile copy(copies[0]);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), original);
    EXPECT_EQ(StoredNames(), QStringList({"Alpha", "Zulu"})) << "taken out of the store once kept in the copy";

    // They are gone for good: the next start loads and saves the rest without a word.
    EXPECT_EQ(TemplateContainer(1), nullptr);
    EXPECT_EQ(TemplateContainer(0)->FindTemplate("Zulu")->DefaultWidth(), 260);
    EXPECT_TRUE(Hive().TakeSetAsideCopies().isEmpty());
    EXPECT_EQ(QDir(DirPath()).entryList({QStringLiteral("user.reg.damaged-*")}).size(), 1);
}

TEST_F(TemplateStoreTest, SaveGoesOnPastATemplateItCannotStore)
{
    TTemplateContainer* c = TemplateContainer(0);
    Add(c, "Alpha");
    Add(c, "two\nlines");
    Add(c, "Zulu");
    EXPECT_EQ(ErrorOf([] { TemplateContainer(1); }), "Failed to create key Templates\\two\nlines");
    EXPECT_EQ(StoredNames(), QStringList({"Alpha", "Zulu"}));
}
