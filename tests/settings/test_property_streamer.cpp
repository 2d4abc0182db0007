// The property streamer and the storage back-ends.
#include "platform/HiveTestSupport.h"
#include "platform/Registry.h"
#include "platform/RegistryError.h"
#include "settings/Collection.h"
#include "settings/ComponentStreamer.h"
#include "settings/PropertyStreamer.h"

#include <QPoint>

#include <optional>

namespace {

class TSampleItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Label READ Label WRITE SetLabel)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
public:
    QString Label() const { return FLabel; }
    void SetLabel(const QString& v) { FLabel = v; }
    int Size() const { return FSize; }
    void SetSize(int v) { FSize = v; }
    QString GetDisplayName() const override { return FLabel.isEmpty() ? TCollectionItem::GetDisplayName() : FLabel; }

private:
    QString FLabel;
    int FSize = 0;
};

class TNested : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Depth READ Depth WRITE SetDepth)
public:
    int Depth() const { return FDepth; }
    void SetDepth(int v) { FDepth = v; }

private:
    int FDepth = 0;
};

class TSample : public TCustomComponentStreamer {
    Q_OBJECT
public:
    enum TShade { shLight, shMedium, shDark };
    Q_ENUM(TShade)
    // A set: not stored.
    enum TEdge { edLeft = 1, edTop = 2 };
    Q_DECLARE_FLAGS(TEdges, TEdge)
    Q_FLAG(TEdges)

private:
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(TShade Shade READ Shade WRITE SetShade)
    Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TNested* Nested READ Nested)
    Q_PROPERTY(TCollection* Items READ Items)
    Q_PROPERTY(QPoint Point READ Point WRITE SetPoint)
    Q_PROPERTY(TEdges Edges READ Edges WRITE SetEdges)
    Q_PROPERTY(qlonglong Big READ Big WRITE SetBig)
    Q_PROPERTY(quint8 Small READ Small WRITE SetSmall)

public:
    explicit TSample(const QString& key = QString(), std::uint8_t kind = skRegistry)
        : TCustomComponentStreamer(nullptr, kind, key)
    {
        SetAutoSave(false);
        setObjectName(QStringLiteral("sample"));
    }
    ~TSample() override { SaveOnDestroy(); }

    int Tag() const { return FTag; }
    void SetTag(int v) { FTag = v; }
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    TShade Shade() const { return FShade; }
    void SetShade(TShade v) { FShade = v; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool v) { FFlag = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v) { FCaption = v; }
    QStringList Lines() const { return FLines; }
    void SetLines(const QStringList& v) { FLines = v; }
    TNested* Nested() { return &FNested; }
    TCollection* Items() { return &FItems; }
    QPoint Point() const { return FPoint; }
    void SetPoint(QPoint v) { FPoint = v; }
    TEdges Edges() const { return FEdges; }
    void SetEdges(TEdges v) { FEdges = v; }
    qlonglong Big() const { return FBig; }
    void SetBig(qlonglong v) { FBig = v; }
    quint8 Small() const { return FSmall; }
    void SetSmall(quint8 v) { FSmall = v; }

    TSampleItem* AddItem(const QString& label, int size)
    {
        auto* item = static_cast<TSampleItem*>(FItems.AddItem());
        item->SetLabel(label);
        item->SetSize(size);
        return item;
    }
    TSampleItem* ItemAt(int i) const { return static_cast<TSampleItem*>(FItems.Item(i)); }

private:
    int FTag = 0, FCount = 0;
    TShade FShade = shLight;
    bool FFlag = false;
    double FRatio = 0;
    QString FCaption;
    QStringList FLines;
    TNested FNested;
    TCollection FItems{[] { return new TSampleItem(); }, this};
    QPoint FPoint;
    TEdges FEdges;
    qlonglong FBig = 0;
    quint8 FSmall = 0;
};

const QString kKey = QStringLiteral("Software\\Test\\Sample\\");

class StreamerTest : public THiveTest {
protected:
    // Made after SetUp has pointed the store at this test's file.
    std::optional<TRegistry> FReg;

    TRegistry& At(const QString& key)
    {
        FReg.emplace();
        EXPECT_TRUE(FReg->OpenKey(QLatin1Char('\\') + key, false)) << qPrintable(key);
        return *FReg;
    }
    void Put(const QString& key, const QString& name, const QString& value)
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteString(name, value);
        reg.CloseKey();
    }
    void PutDword(const QString& key, const QString& name, int value)
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteInteger(name, value);
        reg.CloseKey();
    }
    static void Fill(TSample& s)
    {
        s.SetTag(7);
        s.SetCount(-42);
        s.SetShade(TSample::shDark);
        s.SetFlag(true);
        s.SetRatio(2.5);
        s.SetCaption(QStringLiteral("caption"));
        s.SetLines({"first", "second", "third"});
        s.Nested()->SetDepth(3);
        s.AddItem("One", 1);
        s.AddItem("Two", 2);
        s.SetPoint({4, 5});
        s.SetEdges(TSample::TEdges(TSample::edLeft) | TSample::edTop);
        s.SetBig(1ll << 40);
        s.SetSmall(200);
    }
};

} // namespace

TEST_F(StreamerTest, SaveLaysOutValuesAndSubkeys)
{
    TSample s(kKey);
    Fill(s);
    s.Save();

    TRegistry& k = At(kKey);
    EXPECT_EQ(k.GetValueNames(), QStringList({"Count", "Shade", "Flag", "Ratio", "Caption", "Small"}))
        << "declaration order; Name, Tag and the unstorable kinds are left out";
    EXPECT_EQ(k.ReadString("Count"), "-42");
    EXPECT_EQ(k.ReadString("Shade"), "2");
    EXPECT_EQ(k.ReadString("Flag"), "1");
    EXPECT_EQ(k.ReadFloat("Ratio"), 2.5);
    EXPECT_EQ(k.GetDataSize("Ratio"), 8);
    EXPECT_EQ(k.ReadString("Small"), "200");
    EXPECT_EQ(k.GetKeyNames(), QStringList({"Items", "Lines", "Nested"}));
    EXPECT_EQ(At(kKey + "Lines").GetValueNames(), QStringList({"Lines0", "Lines1", "Lines2"}));
    EXPECT_EQ(At(kKey + "Lines").ReadString("Lines1"), "second");
    EXPECT_EQ(At(kKey + "Nested").ReadString("Depth"), "3");
    EXPECT_EQ(At(kKey + "Items").GetKeyNames(), QStringList({"One", "Two"}));
    EXPECT_EQ(At(kKey + "Items\\Two").ReadString("Size"), "2");
    s.SetFlag(false);
    s.Save();
    EXPECT_EQ(At(kKey).ReadString("Flag"), "0");
}

TEST_F(StreamerTest, LoadRestoresWhatWasSaved)
{
    {
        TSample s(kKey);
        Fill(s);
        s.SetAutoSave(true);  // saved on destruction
    }
    TSample t(kKey);
    t.SetTag(99);
    EXPECT_TRUE(t.Load());
    EXPECT_EQ(t.Tag(), 99) << "Tag is never streamed";
    EXPECT_EQ(t.objectName(), "sample");
    EXPECT_EQ(t.Count(), -42);
    EXPECT_EQ(t.Shade(), TSample::shDark);
    EXPECT_TRUE(t.Flag());
    EXPECT_EQ(t.Ratio(), 2.5);
    EXPECT_EQ(t.Caption(), "caption");
    EXPECT_EQ(t.Lines(), QStringList({"first", "second", "third"}));
    EXPECT_EQ(t.Nested()->Depth(), 3);
    ASSERT_EQ(t.Items()->Count(), 2);
    EXPECT_EQ(t.ItemAt(0)->Label(), "One");
    EXPECT_EQ(t.ItemAt(1)->Size(), 2);
    EXPECT_EQ(t.Point(), QPoint()) << "kinds that are not stored are not read";
    EXPECT_EQ(t.Edges(), TSample::TEdges());
    EXPECT_EQ(t.Small(), 200);
}

TEST_F(StreamerTest, MissingAndMalformedIntegersLoadAsZero)
{
    Put(kKey, "Ratio", "ignored");  // wrong type for a float: see below
    TSample s(kKey);
    s.SetCount(5);
    s.SetFlag(true);
    s.SetCaption("before");
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.DeleteValue("Ratio");
        reg.WriteFloat("Ratio", 1.0);
        reg.WriteString("Shade", "not a number");
        reg.WriteString("Small", "300");  // does not fit the property
        reg.CloseKey();
    }
    s.SetShade(TSample::shMedium);
    s.SetSmall(9);
    s.Load();
    EXPECT_EQ(s.Count(), 0) << "a missing value assigns 0";
    EXPECT_FALSE(s.Flag());
    EXPECT_EQ(s.Caption(), "");
    EXPECT_EQ(s.Shade(), TSample::shLight);
    EXPECT_EQ(s.Small(), 0);

    // Beyond 32 bits is no integer at all, for booleans and enumerations too.
    Put(kKey, "Flag", "4294967296");
    Put(kKey, "Shade", "4294967298");
    s.SetFlag(true);
    s.SetShade(TSample::shMedium);
    s.Load();
    EXPECT_FALSE(s.Flag());
    EXPECT_EQ(s.Shade(), TSample::shLight);
}

TEST_F(StreamerTest, WrongTypesAndMissingFloatsRaise)
{
    PutDword(kKey, "Count", 12);
    TSample s(kKey);
    EXPECT_EQ(ErrorOf([&] { s.Load(); }), "Invalid data type for 'Count'");

    Put(kKey, "Count", "12");
    EXPECT_EQ(ErrorOf([&] { s.Load(); }), "Failed to get data for 'Ratio'") << "a float has no default";
    Put(kKey, "Ratio", "2.5");
    EXPECT_EQ(ErrorOf([&] { s.Load(); }), "Invalid data type for 'Ratio'");
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteBinaryData("Ratio", QByteArray(4, '\0'));
        reg.CloseKey();
    }
    EXPECT_EQ(ErrorOf([&] { s.Load(); }), "Invalid data type for 'Ratio'");
}

TEST_F(StreamerTest, StringListIsRebuiltOnEverySave)
{
    TSample s(kKey);
    s.SetLines({"a", "b", "c"});
    s.Save();
    s.SetLines({"z"});
    s.Save();
    EXPECT_EQ(At(kKey + "Lines").GetValueNames(), QStringList{"Lines0"});
    s.SetLines({});
    s.Save();
    EXPECT_FALSE(TRegistry().KeyExists("\\" + kKey + "Lines")) << "an empty list leaves no subkey";

    TSample t(kKey);
    t.Save();  // an empty list, and the float the load below needs
    t.SetLines({"kept"});
    t.Load();
    EXPECT_EQ(t.Lines(), QStringList{"kept"}) << "no subkey: the list is left alone";
}

TEST_F(StreamerTest, StringListLoadAppendsAndCountsForeignValues)
{
    TSample s(kKey);
    s.SetLines({"x", "y"});
    s.Save();
    Put(kKey + "Lines", "Unrelated", "?");
    s.SetLines({"old"});
    s.Load();
    EXPECT_EQ(s.Lines(), QStringList({"old", "x", "y", ""}))
        << "three values mean three indices; the missing one reads as empty";
}

TEST_F(StreamerTest, CollectionLoadAppendsAndUnnamedItemsUseTheClassName)
{
    TSample s(kKey);
    s.AddItem("", 5);
    s.AddItem("Named", 6);
    s.Save();
    EXPECT_EQ(At(kKey + "Items").GetKeyNames(), QStringList({"Named", "TSampleItem"}));
    EXPECT_EQ(At(kKey + "Items\\TSampleItem").ReadString("Label"), "");

    s.Load();
    ASSERT_EQ(s.Items()->Count(), 4) << "loading appends to the items already there";
    EXPECT_EQ(s.ItemAt(2)->Label(), "Named");
    EXPECT_EQ(s.ItemAt(3)->Label(), "");
    EXPECT_EQ(s.ItemAt(3)->Size(), 5);
}

TEST_F(StreamerTest, FindCollectionPropertyAndDeleteSubKey)
{
    TSample s;
    EXPECT_EQ(FindCollectionProperty(&s), "Items");
    TNested plain;
    EXPECT_EQ(FindCollectionProperty(&plain), "");
    EXPECT_EQ(FindCollectionProperty(nullptr), "");

    s.SetStorageName(kKey);
    s.AddItem("Gone", 1);
    s.Save();
    EXPECT_FALSE(DeleteRegistrySubKey(kKey + "Items", "")) << "an empty name deletes nothing";
    EXPECT_TRUE(At(kKey + "Items").KeyExists("Gone"));
    EXPECT_TRUE(DeleteRegistrySubKey(kKey + "Items", "gone"));
    EXPECT_FALSE(At(kKey + "Items").KeyExists("Gone"));
    EXPECT_FALSE(HiveFile().contains("Gone")) << "written at once";
    EXPECT_FALSE(DeleteRegistrySubKey(kKey + "Items", "Gone"));
}

TEST_F(StreamerTest, StorageFollowsKindAndNameAtTheNextSave)
{
    const QString file = DirPath() + "/sample.json";
    TSample s(kKey);
    Fill(s);
    IComponentStreamer* streamer = dynamic_cast<IComponentStreamer*>(static_cast<QObject*>(&s));
    ASSERT_TRUE(streamer);
    streamer->SetStorageKind(skConfigFile);
    streamer->SetStorageName(file);
    s.Save();
    EXPECT_TRUE(dynamic_cast<TStorageCfg2*>(s.Storage()));
    EXPECT_FALSE(QFile::exists(HivePath()));

    TSample t(file, skConfigFile);
    t.AddItem("stale", 0);
    EXPECT_TRUE(t.Load());
    EXPECT_EQ(t.Count(), -42);
    EXPECT_EQ(t.Shade(), TSample::shDark);
    EXPECT_EQ(t.Ratio(), 2.5);
    EXPECT_EQ(t.Lines(), QStringList({"first", "second", "third"}));
    EXPECT_EQ(t.Nested()->Depth(), 3);
    ASSERT_EQ(t.Items()->Count(), 2);
    EXPECT_EQ(t.ItemAt(1)->Label(), "Two");

    streamer->SetStorageKind(7);
    s.CreateStorage();
    EXPECT_EQ(s.Storage(), nullptr) << "an unknown kind has no back-end";
}

TEST_F(StreamerTest, ConfigFileFailuresAreQuiet)
{
    const QString file = DirPath() + "/cfg.json";
    TSample s(file, skConfigFile);
    EXPECT_FALSE(s.Load()) << "no file";
    s.SetCount(3);
    s.Save();
    const QByteArray good = [&] { QFile f(file); f.open(QIODevice::ReadOnly); return f.readAll(); }();

    TSample elsewhere(DirPath() + "/missing-dir/cfg.json", skConfigFile);
    elsewhere.Save();  // nothing reported
    EXPECT_FALSE(QFile::exists(DirPath() + "/missing-dir/cfg.json"));

    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(good).replace("\"Count\": 3", "\"Count\": \"three\""));
    }
    TSample t(file, skConfigFile);
    EXPECT_FALSE(t.Load());
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ truncated");
    }
    EXPECT_FALSE(t.Load());
}

#include "test_property_streamer.moc"
