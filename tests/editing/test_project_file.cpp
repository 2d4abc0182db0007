// Project files: what is saved opens the same; a failed save keeps the old
// file; damaged and hostile files are refused and leave the work as it was.
#include "editing/ProjectFile.h"

#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <zip.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using TEntries = std::vector<std::pair<std::string, TByteVector>>;

TPixelBuffer Picture(int w, int h, TColor32 seed)
{
    TPixelBuffer p{w, h, {}};
    for (int i = 0; i < w * h; ++i) p.Pixels.push_back(seed ^ TColor32(i * 2654435761u) ^ (i % 3 ? 0 : 0x80000000u));
    return p;
}

TProjectDocument SampleDocument()
{
    TProjectDocument d;
    d.Style = 2;
    d.Orientation = 1;
    d.Shadow = false;
    d.DefaultSize = false;
    d.Width = 321;
    d.Height = 123;
    d.HasView = true;
    d.View = {-12.5, 40.25, 0, true};
    d.Faces[pfFront].Base = Picture(7, 5, 0xFF102030u);
    d.Faces[pfSide].Base = Picture(3, 9, 0xFF405060u);
    // The top face has no picture but a layer.
    TProjectLayer image{TProjectLayerKind::Image, {-3.5f, 2.25f, 10.125f, 8}, false, Picture(4, 4, 0x7F00FF00u), {}};
    TProjectLayer text{TProjectLayerKind::Text, {1, 1, 6.5f, 3}, true, Picture(6, 2, 0x40FFFFFFu),
                       {QStringLiteral("Zwei\nZeilen ü"), QStringLiteral("DejaVu Sans,14,-1,5,700,0,0,0,0,0"),
                        0xFFFFCC00u, 3, 1}};
    d.Faces[pfFront].Layers = {image, text};
    d.Faces[pfTop].Layers = {text};
    return d;
}

void ExpectSame(const TProjectDocument& a, const TProjectDocument& b)
{
    EXPECT_EQ(a.Style, b.Style);
    EXPECT_EQ(a.Orientation, b.Orientation);
    EXPECT_EQ(a.Shadow, b.Shadow);
    EXPECT_EQ(a.DefaultSize, b.DefaultSize);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    EXPECT_EQ(a.HasView, b.HasView);
    EXPECT_TRUE(a.View == b.View);
    for (std::size_t f = 0; f < 3; ++f) {
        const TProjectFace& x = a.Faces[f];
        const TProjectFace& y = b.Faces[f];
        EXPECT_EQ(x.Base.Width, y.Base.Width);
        EXPECT_EQ(x.Base.Height, y.Base.Height);
        EXPECT_EQ(x.Base.Pixels, y.Base.Pixels) << "face " << f;
        ASSERT_EQ(x.Layers.size(), y.Layers.size());
        for (std::size_t i = 0; i < x.Layers.size(); ++i) {
            const TProjectLayer& l = x.Layers[i];
            const TProjectLayer& m = y.Layers[i];
            EXPECT_EQ(l.Kind, m.Kind);
            EXPECT_EQ(l.Bounds.Left, m.Bounds.Left);
            EXPECT_EQ(l.Bounds.Top, m.Bounds.Top);
            EXPECT_EQ(l.Bounds.Right, m.Bounds.Right);
            EXPECT_EQ(l.Bounds.Bottom, m.Bounds.Bottom);
            EXPECT_EQ(l.Visible, m.Visible);
            EXPECT_EQ(l.Picture.Width, m.Picture.Width);
            EXPECT_EQ(l.Picture.Pixels, m.Picture.Pixels) << "face " << f << " layer " << i;
            EXPECT_TRUE(l.Text == m.Text);
        }
    }
}

TByteVector Build(const TProjectDocument& d)
{
    TByteVector bytes;
    QString why;
    EXPECT_TRUE(BuildProject(d, bytes, &why)) << why.toStdString();
    return bytes;
}

TEntries Unpack(const TByteVector& bytes)
{
    TEntries entries;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* z = zip_open_from_source(source, ZIP_RDONLY, &error);
    for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        TByteVector data(st.size);
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), data.size());
        zip_fclose(f);
        entries.emplace_back(st.name, std::move(data));
    }
    if (z) zip_discard(z);
    return entries;
}

TByteVector Pack(const TEntries& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* z = zip_open_from_source(source, ZIP_TRUNCATE, &error);
    zip_source_keep(source);
    for (const auto& [name, data] : entries)
        zip_file_add(z, name.c_str(), zip_source_buffer(z, data.data(), data.size(), 0), ZIP_FL_ENC_UTF_8);
    zip_close(z);
    zip_source_open(source);
    zip_source_seek(source, 0, SEEK_END);
    TByteVector out(std::size_t(zip_source_tell(source)));
    zip_source_seek(source, 0, SEEK_SET);
    zip_source_read(source, out.data(), out.size());
    zip_source_close(source);
    zip_source_free(source);
    return out;
}

// The sample project with its manifest edited.
TByteVector WithManifest(const std::function<void(QJsonObject&)>& edit)
{
    TEntries entries = Unpack(Build(SampleDocument()));
    for (auto& [name, data] : entries)
        if (name == "manifest.json") {
            QJsonObject root = QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()))).object();
            edit(root);
            const QByteArray json = QJsonDocument(root).toJson();
            data.assign(json.begin(), json.end());
        }
    return Pack(entries);
}

QString Message(StrId id) { return LoadStr(id).section(QStringLiteral("%1"), 1).section(u'%', 0, 0); }

} // namespace

TEST(ProjectFile, SavedProjectOpensWithTheSamePicturesLayersAndSettings)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("box.cubiform"));
    const TProjectDocument saved = SampleDocument();
    QString why;
    ASSERT_TRUE(SaveProject(path, saved, &why)) << why.toStdString();
    TProjectDocument opened;
    ASSERT_TRUE(OpenProject(path, opened, &why)) << why.toStdString();
    ExpectSame(saved, opened);
    // A project without a view stays without one; the same document gives the same bytes.
    TProjectDocument plain;
    TProjectDocument read = saved;
    ASSERT_TRUE(ReadProject(Build(plain), QStringLiteral("p"), read, &why)) << why.toStdString();
    ExpectSame(plain, read);
    EXPECT_EQ(Build(saved), Build(saved));
}

TEST(ProjectFile, FailedSaveLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("box.cubiform"));
    ASSERT_TRUE(SaveProject(path, TProjectDocument{}, nullptr));
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    const QString said = InChildWithFileSizeLimit(old.size() + 10, [&] {
        QString why;
        return SaveProject(path, SampleDocument(), &why) ? QStringLiteral("saved") : why;
    });
    EXPECT_TRUE(said.contains(path)) << said.toStdString();
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("box.cubiform")});
}

TEST(ProjectFile, DamagedAndHostileFilesAreRefusedAndTheWorkKept)
{
    const TByteVector good = Build(SampleDocument());
    TEntries withUnsafeName = Unpack(good);
    withUnsafeName.emplace_back("../x.png", withUnsafeName.back().second);
    TEntries withAbsoluteName = Unpack(good);
    withAbsoluteName.emplace_back("/tmp/x.png", withAbsoluteName.back().second);
    TEntries withBackslash = Unpack(good);
    withBackslash.emplace_back("front\\x.png", withBackslash.back().second);
    TEntries withExtra = Unpack(good);
    withExtra.emplace_back("front/extra.png", withExtra.back().second);
    TEntries withoutPicture = Unpack(good);
    withoutPicture.erase(withoutPicture.begin());
    // 64 MB of zeros deflate to a few dozen kilobytes; past the 16 MB budget.
    TEntries bomb = Unpack(good);
    for (auto& [name, data] : bomb)
        if (name == "front/base.png") data.assign(std::size_t(64) << 20, 0);
    // Within the budget, but far more than a 7 x 5 picture can take.
    TEntries padded = Unpack(good);
    for (auto& [name, data] : padded)
        if (name == "front/base.png") data.resize(data.size() + (std::size_t(8) << 20));

    const struct {
        const char* Case;
        TByteVector Data;
        StrId Expected;
    } cases[] = {
        {"not a zip", TByteVector{'h', 'e', 'l', 'l', 'o'}, StrId::ProjectNotProject},
        {"truncated", TByteVector(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)), StrId::ProjectDamaged},
        {"parent folder", Pack(withUnsafeName), StrId::ProjectUnsafeEntry},
        {"absolute path", Pack(withAbsoluteName), StrId::ProjectUnsafeEntry},
        {"backslash", Pack(withBackslash), StrId::ProjectUnsafeEntry},
        {"extra picture", Pack(withExtra), StrId::ProjectExtraEntry},
        {"missing picture", Pack(withoutPicture), StrId::ProjectMissingPicture},
        {"zip bomb", Pack(bomb), StrId::ProjectTooLarge},
        {"padded picture", Pack(padded), StrId::ProjectTooLarge},
        {"wrong type", WithManifest([](QJsonObject& r) { r["shadow"] = "yes"; }), StrId::ProjectBadManifest},
        {"bounds of three", WithManifest([](QJsonObject& r) {
             QJsonObject faces = r["faces"].toObject(), front = faces["front"].toObject();
             QJsonArray layers = front["layers"].toArray();
             QJsonObject layer = layers[0].toObject();
             layer["bounds"] = QJsonArray{1, 2, 3};
             layers[0] = layer;
             front["layers"] = layers;
             faces["front"] = front;
             r["faces"] = faces;
         }),
         StrId::ProjectBadManifest},
        {"unknown kind", WithManifest([](QJsonObject& r) {
             QJsonObject faces = r["faces"].toObject(), top = faces["top"].toObject();
             QJsonArray layers = top["layers"].toArray();
             QJsonObject layer = layers[0].toObject();
             layer["kind"] = "shape";
             layers[0] = layer;
             top["layers"] = layers;
             faces["top"] = top;
             r["faces"] = faces;
         }),
         StrId::ProjectBadManifest},
        {"newer major version", WithManifest([](QJsonObject& r) { r["version"] = QJsonObject{{"major", 2}, {"minor", 0}}; }),
         StrId::ProjectNewerVersion},
    };
    const membudget::TThreadLimit budget(std::int64_t(16) << 20);
    for (const auto& c : cases) {
        TProjectDocument work = SampleDocument();
        work.Width = 777;
        const TProjectDocument kept = work;
        QString why;
        EXPECT_FALSE(ReadProject(c.Data, QStringLiteral("bad.cubiform"), work, &why)) << c.Case;
        EXPECT_TRUE(why.contains(QStringLiteral("bad.cubiform"))) << c.Case;
        EXPECT_TRUE(why.contains(Message(c.Expected))) << c.Case << ": " << why.toStdString();
        ExpectSame(kept, work);
    }
}

TEST(ProjectFile, NewerMinorVersionsAndUnknownKeysAreRead)
{
    const TByteVector later = WithManifest([](QJsonObject& r) {
        r["version"] = QJsonObject{{"major", 1}, {"minor", 7}};
        r["lighting"] = QJsonObject{{"sun", 3}};
    });
    TProjectDocument read;
    QString why;
    ASSERT_TRUE(ReadProject(later, QStringLiteral("later.cubiform"), read, &why)) << why.toStdString();
    ExpectSame(SampleDocument(), read);
}
