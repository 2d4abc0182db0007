#include "editing/ProjectFile.h"

#include "codecs/PngReader.h"
#include "codecs/PngWriter.h"
#include "platform/MemoryBudget.h"
#include "platform/SafeFile.h"
#include "resources/StringTable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <system_error>
#include <thread>

namespace {

constexpr const char* kFormatName = "cubiform-project";
constexpr const char* kManifestName = "manifest.json";
constexpr const char* kFaceKeys[3] = {"front", "side", "top"};
constexpr const char* kStyleNames[3] = {"two-sided-box", "three-sided-box", "book-cover"};
constexpr const char* kOrientationNames[2] = {"left", "right"};
// A manifest is a few kilobytes; anything near this is not one of ours.
constexpr std::int64_t kManifestCap = std::int64_t(16) << 20;
constexpr zip_int64_t kMaxEntries = 4096;
// What a PNG entry may hold besides its pixels.
constexpr std::int64_t kPngChunkRoom = std::int64_t(4) << 20;
// Fixed entry times, so that the same document always gives the same bytes.
constexpr time_t kEntryTime = 1577836800; // 2020-01-01

void SetWhy(QString* why, const QString& text)
{
    if (why) *why = text;
}

QString ColorText(TColor32 c) { return QStringLiteral("#%1").arg(c & 0xFFFFFFu, 6, 16, QLatin1Char('0')); }

bool ParseColor(const QString& text, TColor32& c)
{
    if (text.size() != 7 || text[0] != u'#') return false;
    bool ok = false;
    const unsigned v = text.mid(1).toUInt(&ok, 16);
    if (!ok) return false;
    c = 0xFF000000u | v;
    return true;
}

// ---- writing

struct TZipWriter {
    zip_source_t* Source = nullptr;
    zip_t* Zip = nullptr;
    std::vector<std::unique_ptr<TByteVector>> Keep; // entry data lives until the zip is closed

    ~TZipWriter()
    {
        if (Zip) zip_discard(Zip);
        if (Source) zip_source_free(Source);
    }
    bool Add(const std::string& name, TByteVector data, bool compress)
    {
        Keep.push_back(std::make_unique<TByteVector>(std::move(data)));
        const TByteVector& d = *Keep.back();
        zip_source_t* s = zip_source_buffer(Zip, d.data(), d.size(), 0);
        if (!s) return false;
        const zip_int64_t i = zip_file_add(Zip, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            return false;
        }
        return zip_set_file_compression(Zip, zip_uint64_t(i), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 9) == 0 &&
               zip_file_set_mtime(Zip, zip_uint64_t(i), kEntryTime, 0) == 0;
    }
};

// Runs work(i) for every i below count side by side on the cores, handing
// out each i once and in order; after one returns false no other is started.
// True when every one ran and returned true.
bool ForEachOnCores(std::size_t count, const std::function<bool(std::size_t)>& work)
{
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto hand = [&] {
        for (std::size_t i = next++; i < count && !failed; i = next++)
            if (!work(i)) failed = true;
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::jthread> helpers;
    for (std::size_t k = 1; k < std::min(cores, count); ++k) {
        try {
            helpers.emplace_back(hand);
        } catch (const std::system_error&) {
            break; // fewer hands
        }
    }
    hand();
    helpers.clear(); // joins
    return !failed;
}

// The pictures as PNG files, each the one encoding it alone gives. False
// when any fails (out of memory).
bool EncodePictures(const std::vector<const TPixelBuffer*>& pictures, std::vector<TByteVector>& out)
{
    out.assign(pictures.size(), TByteVector());
    return ForEachOnCores(pictures.size(), [&](std::size_t i) {
        try {
            return EncodePng(ViewOf(*pictures[i]), out[i]);
        } catch (const std::bad_alloc&) {
            return false;
        }
    });
}

QJsonArray BoundsJson(const TRealRect& r) { return {double(r.Left), double(r.Top), double(r.Right), double(r.Bottom)}; }

// ---- reading

// One reason a file is refused; thrown inside the reader, caught at its entry point.
struct TRefusal {
    QString Text;
};

struct TReadContext {
    QString Name;
    zip_t* Zip = nullptr;
    std::map<std::string, zip_uint64_t> Entries; // file entries but the manifest
    std::set<std::string> Used;
    std::int64_t Memory = 0; // the pictures' bytes so far, as read and as they will be decoded

    [[noreturn]] void Refuse(StrId id, const QString& arg = {}) const
    {
        QString text = LoadStr(id).arg(Name);
        if (!arg.isNull()) text = text.arg(arg);
        throw TRefusal{text};
    }
    [[noreturn]] void BadManifest(const QString& where) const { Refuse(StrId::ProjectBadManifest, where); }

    // The entry's declared size, refused past `cap` before anything is inflated.
    std::uint64_t EntrySize(zip_uint64_t index, std::int64_t cap) const
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(Zip, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) Refuse(StrId::ProjectDamaged);
        if (st.size > std::uint64_t(std::max<std::int64_t>(cap, 0)))
            Refuse(StrId::ProjectTooLarge, membudget::FormatSize(membudget::Limit()));
        return st.size;
    }

    // The entry's first `count` bytes (all of it when it is no longer), read
    // no further than its declared size.
    TByteVector ReadEntry(zip_uint64_t index, std::uint64_t size, std::uint64_t count = UINT64_MAX) const
    {
        const std::uint64_t wanted = std::min(size, count);
        zip_file_t* f = zip_fopen_index(Zip, index, 0);
        if (!f) Refuse(StrId::ProjectDamaged);
        TByteVector data;
        try {
            data.resize(std::size_t(wanted));
        } catch (const std::bad_alloc&) {
            zip_fclose(f);
            Refuse(StrId::ProjectTooLarge, membudget::FormatSize(membudget::Limit()));
        }
        zip_uint64_t got = 0;
        while (got < wanted) {
            const zip_int64_t n = zip_fread(f, data.data() + got, wanted - got);
            if (n <= 0) break;
            got += zip_uint64_t(n);
        }
        // More data than declared is a damaged or hostile entry, not one to inflate on.
        std::uint8_t extra;
        const bool whole = got == wanted && (wanted < size || zip_fread(f, &extra, 1) == 0);
        zip_fclose(f);
        if (!whole) Refuse(StrId::ProjectDamaged);
        return data;
    }

    // A picture the manifest names, read and checked against the memory
    // budget by its PNG header now, decoded with the others once the whole
    // manifest has read (DecodePictures). Its place: face and layer (-1 for
    // the face's own picture).
    struct TPictureJob {
        TByteVector Png;
        QString Name;
        std::int64_t Allowance = 0; // the memory left for it
        int Face = 0, Layer = -1;
        enum { Pending, Done, Bad, OverBudget, NoMemory } Outcome = Pending;
    };
    std::vector<TPictureJob> Jobs;

    void Picture(const QJsonValue& value, const QString& where, int face, int layer)
    {
        if (!value.isString()) BadManifest(where);
        const std::string entry = value.toString().toStdString();
        const auto it = Entries.find(entry);
        if (it == Entries.end()) Refuse(StrId::ProjectMissingPicture, value.toString());
        if (!Used.insert(entry).second) BadManifest(where); // one picture, one place
        const std::int64_t left = membudget::Limit() - Memory;
        const std::uint64_t size = EntrySize(it->second, left);
        // The PNG header's size bounds the entry: past what a picture of that
        // size can take, the entry is refused before it is inflated.
        const TByteVector head = ReadEntry(it->second, size, 24);
        static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        if (head.size() < 24 || !std::equal(kSignature, kSignature + 8, head.begin()))
            Refuse(StrId::ProjectBadPicture, value.toString());
        const auto be32 = [&](std::size_t at) {
            return std::int64_t(head[at]) << 24 | std::int64_t(head[at + 1]) << 16 | std::int64_t(head[at + 2]) << 8 |
                   std::int64_t(head[at + 3]);
        };
        const std::int64_t width = be32(16), height = be32(20);
        if (membudget::PictureBytes(width, height) > left)
            Refuse(StrId::ProjectTooLarge, membudget::FormatSize(membudget::Limit()));
        // At most eight bytes a pixel (16-bit RGBA) and a filter byte a row,
        // with room for the chunks besides the pixels (a colour profile).
        const std::int64_t most = membudget::Sum(membudget::Times(2, membudget::PictureBytes(width, height)),
                                                 membudget::Sum(height, kPngChunkRoom));
        TPictureJob job;
        job.Png = ReadEntry(it->second, EntrySize(it->second, std::min(left, most)));
        job.Name = value.toString();
        job.Allowance = left - std::int64_t(job.Png.size());
        job.Face = face;
        job.Layer = layer;
        // Held until the pictures are decoded, beside what the decoder will
        // take for this one by the same header.
        Memory = membudget::Sum(Memory, membudget::Sum(std::int64_t(job.Png.size()),
                                                       membudget::PictureBytes(width, height)));
        Jobs.push_back(std::move(job));
    }

    // Decodes every picture into its place in doc, side by side on the
    // cores; the first picture in the file's order that fails refuses it.
    void DecodePictures(TProjectDocument& doc)
    {
        // Pictures are taken in order: all before a failing one are decoded.
        ForEachOnCores(Jobs.size(), [&](std::size_t i) {
            TPictureJob& job = Jobs[i];
            TProjectFace& face = doc.Faces[std::size_t(job.Face)];
            TPixelBuffer& into = job.Layer < 0 ? face.Base : face.Layers[std::size_t(job.Layer)].Picture;
            // The size in the PNG header is weighed against the budget
            // before any pixel memory is taken.
            bool overBudget = false;
            const TAdmitHeader admit = [&](const TImageHeader& h) {
                const std::int64_t need = membudget::Sum(membudget::PictureBytes(h.Width, h.Height), h.WorkBytes);
                overBudget = need > job.Allowance;
                return !overBudget;
            };
            try {
                TSpanSource source(TByteSpan(job.Png.data(), job.Png.size()));
                const bool decoded = DecodePng(source, into, TImageLimits{}, admit);
                job.Outcome = decoded ? TPictureJob::Done : overBudget ? TPictureJob::OverBudget : TPictureJob::Bad;
            } catch (const std::bad_alloc&) {
                job.Outcome = TPictureJob::NoMemory;
            }
            TByteVector().swap(job.Png);
            return job.Outcome == TPictureJob::Done;
        });
        for (const TPictureJob& job : Jobs) {
            switch (job.Outcome) {
            case TPictureJob::Done:
            case TPictureJob::Pending: continue; // pending only after the first failure
            case TPictureJob::Bad: Refuse(StrId::ProjectBadPicture, job.Name);
            case TPictureJob::OverBudget:
            case TPictureJob::NoMemory: Refuse(StrId::ProjectTooLarge, membudget::FormatSize(membudget::Limit()));
            }
        }
    }
};

// ---- typed manifest access: a missing key or a wrong type refuses the file

QString At(const QString& where, const char* key) { return where + u'.' + QLatin1String(key); }

QJsonValue Need(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined()) c.BadManifest(At(where, key));
    return v;
}

QJsonObject NeedObject(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where)
{
    const QJsonValue v = Need(c, o, key, where);
    if (!v.isObject()) c.BadManifest(At(where, key));
    return v.toObject();
}

bool NeedBool(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where)
{
    const QJsonValue v = Need(c, o, key, where);
    if (!v.isBool()) c.BadManifest(At(where, key));
    return v.toBool();
}

QString NeedString(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where)
{
    const QJsonValue v = Need(c, o, key, where);
    if (!v.isString()) c.BadManifest(At(where, key));
    return v.toString();
}

double NeedNumber(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where, double lo,
                  double hi)
{
    const QJsonValue v = Need(c, o, key, where);
    const double d = v.toDouble();
    if (!v.isDouble() || !(d >= lo && d <= hi)) c.BadManifest(At(where, key));
    return d;
}

int NeedInt(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where, int lo, int hi)
{
    const double d = NeedNumber(c, o, key, where, lo, hi);
    if (d != std::floor(d)) c.BadManifest(At(where, key));
    return int(d);
}

int NeedName(const TReadContext& c, const QJsonObject& o, const char* key, const QString& where,
             const char* const* names, int count)
{
    const QString s = NeedString(c, o, key, where);
    for (int i = 0; i < count; ++i)
        if (s == QLatin1String(names[i])) return i;
    c.BadManifest(At(where, key));
}

TProjectLayer ReadLayer(TReadContext& c, const QJsonValue& value, const QString& where, int face, int index)
{
    if (!value.isObject()) c.BadManifest(where);
    const QJsonObject o = value.toObject();
    TProjectLayer layer;
    const QString kind = NeedString(c, o, "kind", where);
    if (kind == "image")
        layer.Kind = TProjectLayerKind::Image;
    else if (kind == "text")
        layer.Kind = TProjectLayerKind::Text;
    else
        c.BadManifest(where + ".kind");
    const QJsonValue b = Need(c, o, "bounds", where);
    const QJsonArray a = b.toArray();
    if (!b.isArray() || a.size() != 4) c.BadManifest(where + ".bounds");
    float f[4];
    for (int i = 0; i < 4; ++i) {
        const double d = a[i].toDouble();
        // Faces are at most 30000 pixels; a layer may hang over the edges.
        if (!a[i].isDouble() || !(std::fabs(d) <= 1e6)) c.BadManifest(where + ".bounds");
        f[i] = float(d);
    }
    layer.Bounds = {f[0], f[1], f[2], f[3]};
    if (o.contains("visible")) layer.Visible = NeedBool(c, o, "visible", where);
    if (layer.Kind == TProjectLayerKind::Text) {
        const QString w = where + ".text";
        const QJsonObject t = NeedObject(c, o, "text", where);
        layer.Text.Text = NeedString(c, t, "text", w);
        layer.Text.Font = NeedString(c, t, "font", w);
        if (!ParseColor(NeedString(c, t, "color", w), layer.Text.Color)) c.BadManifest(w + ".color");
        layer.Text.Level = NeedInt(c, t, "level", w, 0, 4);
        layer.Text.Turn = NeedInt(c, t, "turn", w, 0, 3);
    }
    c.Picture(Need(c, o, "picture", where), where + ".picture", face, index);
    return layer;
}

void ReadManifest(TReadContext& c, const TByteVector& bytes, TProjectDocument& doc)
{
    QJsonParseError error{};
    const QJsonDocument json =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), &error);
    if (error.error != QJsonParseError::NoError || !json.isObject()) c.BadManifest(QString::fromLatin1(kManifestName));
    const QJsonObject root = json.object();
    const QString top = QStringLiteral("manifest");
    if (root.value("format") != QJsonValue(QLatin1String(kFormatName))) c.Refuse(StrId::ProjectNotProject);
    const QJsonObject version = NeedObject(c, root, "version", top);
    const int major = NeedInt(c, version, "major", top + ".version", 0, 1 << 30);
    const int minor = NeedInt(c, version, "minor", top + ".version", 0, 1 << 30);
    if (major > kProjectMajorVersion)
        throw TRefusal{LoadStr(StrId::ProjectNewerVersion)
                           .arg(c.Name, QStringLiteral("%1.%2").arg(major).arg(minor),
                                QStringLiteral("%1.%2").arg(kProjectMajorVersion).arg(kProjectMinorVersion))};
    if (major < 1) c.BadManifest(top + ".version");

    doc.Style = NeedName(c, root, "style", top, kStyleNames, 3);
    doc.Orientation = NeedName(c, root, "orientation", top, kOrientationNames, 2);
    doc.Shadow = NeedBool(c, root, "shadow", top);
    const QJsonObject size = NeedObject(c, root, "defaultSize", top);
    doc.DefaultSize = NeedBool(c, size, "enabled", top + ".defaultSize");
    doc.Width = NeedInt(c, size, "width", top + ".defaultSize", 0, 30000);
    doc.Height = NeedInt(c, size, "height", top + ".defaultSize", 0, 30000);
    doc.HasView = root.contains("view");
    if (doc.HasView) {
        const QString w = top + ".view";
        const QJsonObject view = NeedObject(c, root, "view", top);
        doc.View.Yaw = NeedNumber(c, view, "yaw", w, -90, 90);
        doc.View.Pitch = NeedNumber(c, view, "pitch", w, -90, 90);
        doc.View.Fov = NeedNumber(c, view, "fov", w, 0, 100);
        doc.View.Reflection = NeedBool(c, view, "reflection", w);
    }
    const QJsonObject faces = NeedObject(c, root, "faces", top);
    for (int i = 0; i < 3; ++i) {
        const QString w = top + ".faces." + QLatin1String(kFaceKeys[i]);
        const QJsonObject face = NeedObject(c, faces, kFaceKeys[i], top + ".faces");
        TProjectFace& f = doc.Faces[std::size_t(i)];
        const QJsonValue base = face.value("base");
        if (!base.isUndefined() && !base.isNull()) c.Picture(base, w + ".base", i, -1);
        const QJsonValue layers = Need(c, face, "layers", w);
        if (!layers.isArray()) c.BadManifest(w + ".layers");
        const QJsonArray list = layers.toArray();
        for (qsizetype j = 0; j < list.size(); ++j)
            f.Layers.push_back(ReadLayer(c, list[j], w + QStringLiteral(".layers[%1]").arg(j), i, int(j)));
    }
}

// Entry names that could lead outside a folder a zip is unpacked into, or
// that programs read differently, are refused outright.
bool SafeEntryName(const std::string& name)
{
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        name.find('\0') != std::string::npos || name.find(':') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string part = name.substr(start, end - start);
        if (part == ".." || part == ".") return false;
        start = end + 1;
    }
    return true;
}

void ReadZip(TReadContext& c, TByteSpan data, TProjectDocument& doc)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data.data(), data.size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        c.Refuse(StrId::ProjectDamaged);
    }
    c.Zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (!c.Zip) {
        zip_source_free(source);
        // A zip cut short has lost its directory at the end but still starts like one.
        const bool zipStart = data.size() >= 4 && data[0] == 'P' && data[1] == 'K' && data[2] == 3 && data[3] == 4;
        c.Refuse(code == ZIP_ER_NOZIP && !zipStart ? StrId::ProjectNotProject : StrId::ProjectDamaged);
    }
    const zip_int64_t count = zip_get_num_entries(c.Zip, 0);
    if (count < 0 || count > kMaxEntries) c.Refuse(StrId::ProjectDamaged);
    std::set<std::string> names;
    zip_int64_t manifest = -1;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(c.Zip, zip_uint64_t(i), ZIP_FL_ENC_RAW, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            c.Refuse(StrId::ProjectDamaged);
        const std::string name(st.name);
        if (!SafeEntryName(name)) c.Refuse(StrId::ProjectUnsafeEntry, QString::fromUtf8(name));
        if (!names.insert(name).second) c.Refuse(StrId::ProjectUnsafeEntry, QString::fromUtf8(name));
        if (name.back() == '/') continue; // a folder entry
        if (name == kManifestName)
            manifest = i;
        else
            c.Entries.emplace(name, zip_uint64_t(i));
    }
    if (manifest < 0) c.Refuse(StrId::ProjectNotProject);
    const zip_uint64_t index = zip_uint64_t(manifest);
    ReadManifest(c, c.ReadEntry(index, c.EntrySize(index, kManifestCap)), doc);
    for (const auto& [name, index] : c.Entries)
        if (!c.Used.count(name)) c.Refuse(StrId::ProjectExtraEntry, QString::fromUtf8(name));
    c.DecodePictures(doc);
}

} // namespace

bool BuildProject(const TProjectDocument& doc, TByteVector& out, QString* why)
{
    try {
        zip_error_t error;
        zip_error_init(&error);
        TZipWriter w;
        w.Source = zip_source_buffer_create(nullptr, 0, 0, &error);
        if (w.Source) {
            w.Zip = zip_open_from_source(w.Source, ZIP_TRUNCATE, &error);
            // Kept past zip_close, which writes the archive into it.
            if (w.Zip) zip_source_keep(w.Source);
        }
        zip_error_fini(&error);
        if (!w.Zip) throw std::bad_alloc();

        QJsonObject root;
        root["format"] = QLatin1String(kFormatName);
        root["version"] = QJsonObject{{"major", kProjectMajorVersion}, {"minor", kProjectMinorVersion}};
        root["style"] = QLatin1String(kStyleNames[std::clamp(doc.Style, 0, 2)]);
        root["orientation"] = QLatin1String(kOrientationNames[std::clamp(doc.Orientation, 0, 1)]);
        root["shadow"] = doc.Shadow;
        root["defaultSize"] = QJsonObject{{"enabled", doc.DefaultSize}, {"width", doc.Width}, {"height", doc.Height}};
        if (doc.HasView)
            root["view"] = QJsonObject{{"yaw", doc.View.Yaw},
                                        {"pitch", doc.View.Pitch},
                                        {"fov", doc.View.Fov},
                                        {"reflection", doc.View.Reflection}};
        // Every picture in the order the entries are written.
        std::vector<const TPixelBuffer*> pictures;
        for (const TProjectFace& f : doc.Faces) {
            if (!f.Base.IsEmpty()) pictures.push_back(&f.Base);
            for (const TProjectLayer& l : f.Layers) pictures.push_back(&l.Picture);
        }
        std::vector<TByteVector> encoded;
        if (!EncodePictures(pictures, encoded)) throw std::bad_alloc();
        std::size_t next = 0;
        // PNG is compressed already: the pictures are stored.
        auto addPicture = [&](const std::string& name) { return w.Add(name, std::move(encoded[next++]), false); };

        QJsonObject faces;
        for (int i = 0; i < 3; ++i) {
            const TProjectFace& f = doc.Faces[std::size_t(i)];
            const std::string folder = std::string(kFaceKeys[i]) + '/';
            QJsonObject face;
            if (!f.Base.IsEmpty()) {
                const std::string name = folder + "base.png";
                if (!addPicture(name)) throw std::bad_alloc();
                face["base"] = QString::fromStdString(name);
            } else {
                face["base"] = QJsonValue::Null;
            }
            QJsonArray layers;
            for (std::size_t j = 0; j < f.Layers.size(); ++j) {
                const TProjectLayer& l = f.Layers[j];
                const std::string name = folder + "layer-" + std::to_string(j + 1) + ".png";
                if (!addPicture(name)) throw std::bad_alloc();
                QJsonObject layer{{"kind", l.Kind == TProjectLayerKind::Text ? "text" : "image"},
                                  {"bounds", BoundsJson(l.Bounds)},
                                  {"visible", l.Visible},
                                  {"picture", QString::fromStdString(name)}};
                if (l.Kind == TProjectLayerKind::Text)
                    layer["text"] = QJsonObject{{"text", l.Text.Text},
                                                 {"font", l.Text.Font},
                                                 {"color", ColorText(l.Text.Color)},
                                                 {"level", l.Text.Level},
                                                 {"turn", l.Text.Turn}};
                layers.append(layer);
            }
            face["layers"] = layers;
            faces[QLatin1String(kFaceKeys[i])] = face;
        }
        root["faces"] = faces;
        const QByteArray manifest = QJsonDocument(root).toJson(QJsonDocument::Indented);
        // Stored too: it is small, and stays readable in any zip tool.
        if (!w.Add(kManifestName, TByteVector(manifest.begin(), manifest.end()), false)) throw std::bad_alloc();

        const int closed = zip_close(w.Zip);
        if (closed != 0) throw std::bad_alloc();
        w.Zip = nullptr;
        if (zip_source_open(w.Source) != 0) throw std::bad_alloc();
        zip_source_seek(w.Source, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(w.Source);
        zip_source_seek(w.Source, 0, SEEK_SET);
        TByteVector bytes(std::size_t(std::max<zip_int64_t>(size, 0)));
        const zip_int64_t read = zip_source_read(w.Source, bytes.data(), bytes.size());
        zip_source_close(w.Source);
        if (size <= 0 || read != size) throw std::bad_alloc();
        out = std::move(bytes);
        return true;
    } catch (const std::bad_alloc&) {
        SetWhy(why, LoadStr(StrId::ProjectOutOfMemory));
        return false;
    }
}

bool SaveProject(const QString& path, const TProjectDocument& doc, QString* why)
{
    TByteVector bytes;
    QString reason;
    if (!BuildProject(doc, bytes, &reason)) {
        SetWhy(why, LoadStr(StrId::ProjectSaveFailed).arg(path, reason));
        return false;
    }
    const int error = WriteWholeFile(QFile::encodeName(path).constData(), bytes.data(), bytes.size());
    if (error != 0) {
        SetWhy(why, LoadStr(StrId::ProjectSaveFailed).arg(path, QString::fromLocal8Bit(std::strerror(error))));
        return false;
    }
    return true;
}

bool ReadProject(TByteSpan data, const QString& name, TProjectDocument& doc, QString* why)
{
    TReadContext c;
    c.Name = name;
    TProjectDocument read;
    bool ok = false;
    try {
        ReadZip(c, data, read);
        ok = true;
    } catch (const TRefusal& r) {
        SetWhy(why, r.Text);
    } catch (const std::bad_alloc&) {
        SetWhy(why, LoadStr(StrId::ProjectTooLarge).arg(name, membudget::FormatSize(membudget::Limit())));
    }
    if (c.Zip) zip_discard(c.Zip); // also frees the source it was opened on
    if (ok) doc = std::move(read);
    return ok;
}

bool OpenProject(const QString& path, TProjectDocument& doc, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetWhy(why, LoadStr(StrId::ProjectCannotRead).arg(path, file.errorString()));
        return false;
    }
    // A project is mostly PNG, stored as it is: no larger than its pictures.
    if (file.size() > membudget::Limit()) {
        SetWhy(why, LoadStr(StrId::ProjectTooLarge).arg(path, membudget::FormatSize(membudget::Limit())));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) {
        SetWhy(why, LoadStr(StrId::ProjectDamaged).arg(path));
        return false;
    }
    return ReadProject(TByteSpan(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                       path, doc, why);
}
