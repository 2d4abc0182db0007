#include "codecs/ImageFiles.h"
#include "editing/ProjectFaces.h"
#include "render/Bitmap32Utils.h"
#include "support/BlendArithmetic.h"
#include "support/SampleProject.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct TRun {
    int ExitCode = -1;
    QString Out, Err;
};

class RenderTool : public ::testing::Test {
protected:
    static QString BinDir() { return QCoreApplication::applicationDirPath(); }
    static QString Sample(const char* name) { return BinDir() + "/Samples/" + name; }

    // `env` is added to the environment; a `fileSizeLimit` makes the
    // program's files stop growing there, as on a full disk.
    TRun Run(const QStringList& args, const QStringList& env = {}, rlim_t fileSizeLimit = 0) const
    {
        QProcess p;
        p.setWorkingDirectory(FDir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& e : env) environment.insert(e.section(u'=', 0, 0), e.section(u'=', 1));
        p.setProcessEnvironment(environment);
        if (fileSizeLimit)
            p.setChildProcessModifier([fileSizeLimit] {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit small{};
                getrlimit(RLIMIT_FSIZE, &small);
                small.rlim_cur = fileSizeLimit;
                setrlimit(RLIMIT_FSIZE, &small);
            });
        p.start(BinDir() + "/cubiform-render", args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return TRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
                    QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QStringList Entries() const { return QDir(FDir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }

    // What the wizard's render gives for the same faces and options.
    static void Expected(TBitmap32& result, TBoxStyle style, TBoxOrientation orientation, bool defaultSize,
                         int width, int height, bool shadow, bool preview = false)
    {
        TBitmap32 f, s, t;
        ASSERT_TRUE(LoadImageFile(Sample("GreyfinchFront.jpg"), f));
        ASSERT_TRUE(LoadImageFile(Sample("GreyfinchSide.jpg"), s));
        if (style == bxThreeSideBox) {
            ASSERT_TRUE(LoadImageFile(Sample("GreyfinchTop.jpg"), t));
        }
        if (preview) {
            ComposePreview(result, f, s, t, style, width, height);
        } else {
            ComposeBox(result, f, s, t, style, orientation, defaultSize, width, height, shadow);
        }
    }
    static std::vector<TColor32> Pixels(const TBitmap32& b)
    {
        return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(RenderTool, WithoutFacesRendersTheSamplesAsAThreeSideBox)
{
    const TRun run = Run({});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.trimmed(), QDir(FDir.path()).absoluteFilePath("cubiform-sample.jpg"));

    TBitmap32 expected;
    Expected(expected, bxThreeSideBox, boLeft, true, 250, 300, false);
    ASSERT_EQ(expected.Width(), 250);
    ASSERT_EQ(expected.Height(), 300);
    ASSERT_TRUE(SaveAsJpeg(Path("expected.jpg"), expected));
    QFile a(Path("cubiform-sample.jpg")), b(Path("expected.jpg"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(RenderTool, EveryStyleMatchesTheWizardsComposition)
{
    const QStringList faces = {"--front", Sample("GreyfinchFront.jpg"), "--side", Sample("GreyfinchSide.jpg")};
    struct TCase {
        QStringList Args;
        TBoxStyle Style;
        TBoxOrientation Orientation;
        bool DefaultSize;
        int W, H;
        bool Shadow, Preview;
    };
    const QStringList top = {"--top", Sample("GreyfinchTop.jpg")};
    const std::vector<TCase> cases = {
        {{"--orientation", "right", "--shadow"}, bxTwoSidedBox, boRight, false, 250, 300, true, false},
        {QStringList{"--style", "three-sided", "--default-size=300x400"} + top, bxThreeSideBox, boLeft, true, 300, 400, false, false},
        {{"--style=book", "--shadow", "--default-size"}, bxBookCover, boLeft, true, 250, 300, true, false},
        {QStringList{"--style", "three-sided", "--preview"} + top, bxThreeSideBox, boLeft, false, 250, 300, false, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        QFile::remove(Path("out.bmp"));
        const TRun run = Run(faces + c.Args + QStringList{"-o", Path("out.bmp")});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        TBitmap32 got, expected;
        ASSERT_TRUE(LoadImageFile(Path("out.bmp"), got));
        Expected(expected, c.Style, c.Orientation, c.DefaultSize, c.W, c.H, c.Shadow, c.Preview);
        ASSERT_EQ(got.Width(), expected.Width());
        ASSERT_EQ(got.Height(), expected.Height());
        std::vector<TColor32> opaque = Pixels(expected); // bitmaps are saved opaque
        for (TColor32& c : opaque) c = WithAlpha(c, 255);
        EXPECT_EQ(Pixels(got), opaque);
    }

    // GIF output, and a .jpeg name written as .jpg.
    ASSERT_EQ(Run(faces + QStringList{"-o", Path("box.gif")}).ExitCode, 0);
    TBitmap32 gif;
    ASSERT_TRUE(LoadImageFile(Path("box.gif"), gif));
    EXPECT_EQ(gif.Height(), 600);
    const TRun jpeg = Run(faces + QStringList{"--output", Path("box.jpeg")});
    ASSERT_EQ(jpeg.ExitCode, 0);
    EXPECT_EQ(jpeg.Out.trimmed(), Path("box.jpg"));
    EXPECT_TRUE(QFile::exists(Path("box.jpg")));
}

TEST_F(RenderTool, PngFacesRenderAsTheSamePictureGivenAsABitmap)
{
    // A face with see-through and half-transparent rows, and the picture it
    // stands for: laid on white, as the arithmetic gives it.
    TBitmap32 seeThrough, onWhite, opaque;
    for (TBitmap32* b : {&seeThrough, &onWhite, &opaque}) b->SetSize(60, 80);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 60; ++x) {
            const std::uint8_t alpha = y < 20 ? 0 : y < 40 ? 128 : y < 50 ? 7 : 255;
            const TColor32 c = Color32(std::uint8_t(x * 4), std::uint8_t(y * 3), std::uint8_t(200 - x), alpha);
            seeThrough.SetPixelAt(x, y, c);
            onWhite.SetPixelAt(x, y, BlendedOnto(c, clWhite32));
            opaque.SetPixelAt(x, y, WithAlpha(c, 255));
        }
    }
    ASSERT_TRUE(SaveAsPng(Path("see.png"), seeThrough));
    SaveAsBitmap(Path("white.bmp"), onWhite);
    ASSERT_TRUE(SaveAsPng(Path("opaque.png"), opaque));
    SaveAsBitmap(Path("opaque.bmp"), opaque);
    auto render = [&](const char* front, const char* output) {
        const TRun run =
            Run({"--front", Path(front), "--side", Sample("GreyfinchSide.jpg"), "--shadow", "-o", Path(output)});
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        QFile file(Path(output));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray fromBitmap = render("opaque.bmp", "a.bmp");
    ASSERT_FALSE(fromBitmap.isEmpty());
    EXPECT_EQ(render("opaque.png", "b.bmp"), fromBitmap);
    const QByteArray fromWhite = render("white.bmp", "c.bmp");
    ASSERT_FALSE(fromWhite.isEmpty());
    EXPECT_EQ(render("see.png", "d.bmp"), fromWhite);
}

TEST_F(RenderTool, UsageErrorsExitWithTwoAndWriteNothing)
{
    const QStringList faces = {"--front", Sample("GreyfinchFront.jpg"), "--side", Sample("GreyfinchSide.jpg")};
    const std::vector<QStringList> bad = {
        {"--colour", "red"},
        {"--style"},
        {"--style", "cube"},
        {"--orientation", "up"},
        {"--default-size=big"},
        {"--default-size=0x300"},
        {"--shadow=yes"},
        {"stray"},
        faces + QStringList{"-o", Path("out.tiff")},
        faces + QStringList{"--background", "#12345", "-o", Path("out.png")},
        faces + QStringList{"--style", "three-sided", "-o", Path("out.jpg")},
        {"--front", Sample("GreyfinchFront.jpg"), "-o", Path("out.jpg")},
        faces,
        // The free view's values out of range, and options that do not go with it.
        {"--view", "sideways"},
        {"--yaw", "90.5"},
        {"--pitch=-91"},
        {"--fov", "101"},
        {"--fov", "1e2"},
        {"--scale", "0"},
        {"--reflection=101"},
        {"--size", "0x600"},
        faces + QStringList{"--view", "classic", "--yaw", "10", "-o", Path("out.png")},
        faces + QStringList{"--size", "800x600", "--scale", "2", "-o", Path("out.png")},
        faces + QStringList{"--preview", "--pitch", "10", "-o", Path("out.png")},
        // A project gives the faces.
        faces + QStringList{"--project", Path("p.cubiform"), "-o", Path("out.png")},
        {"--project", Path("p.cubiform"), "--preview", "-o", Path("out.png")},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun run = Run(args);
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_TRUE(run.Err.contains("Usage: cubiform-render"));
    }
    EXPECT_TRUE(Entries().isEmpty());

    const TRun help = Run({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.startsWith("Usage: cubiform-render"));
}

TEST_F(RenderTool, FailuresNameTheFileAndLeaveNoOutput)
{
    QFile damaged(Path("damaged.jpg"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\xFF\xD8 this is not really a JPEG");
    damaged.close();
    QFile existing(Path("keep.jpg"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    QFile plain(Path("afile"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("pipe.jpg")).constData(), 0600), 0);
    const QString side = Sample("GreyfinchSide.jpg");
    const QString tooLong = Path(QString(300, u'n') + ".jpg");

    struct TCase {
        QStringList Args;
        QString Names, Why;
    };
    const std::vector<TCase> cases = {
        {{"--front", Path("missing.jpg"), "--side", side, "-o", Path("keep.jpg")}, Path("missing.jpg"), "no such file"},
        {{"--front", Path("damaged.jpg"), "--side", side, "-o", Path("keep.jpg")}, Path("damaged.jpg"), "not a valid JPEG image"},
        {{"--front", Path("face.tif"), "--side", side, "-o", Path("keep.jpg")}, Path("face.tif"), "not an image file name"},
        {{"--front", FDir.path(), "--side", side, "-o", Path("keep.jpg")}, FDir.path(), "not an image file name"},
        {{"--front", Path("pipe.jpg"), "--side", side, "-o", Path("keep.jpg")}, Path("pipe.jpg"), "not a regular file"},
        {{"-o", Path("nowhere/out.jpg")}, Path("nowhere/out.jpg"), "the folder does not exist"},
        {{"-o", Path("nowhere/out.bmp")}, Path("nowhere/out.bmp"), "the folder does not exist"},
        {{"-o", Path("afile/deeper/out.gif")}, Path("afile/deeper/out.gif"), "'" + Path("afile") + "' is a file, not a folder"},
        {{"-o", Path("pipe.jpg")}, Path("pipe.jpg"), "not a regular file"},
        // Every format gives the system's own reason.
        {{"-o", tooLong}, tooLong, QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))},
        {{"-o", ChangeFileExt(tooLong, ".gif")}, ChangeFileExt(tooLong, ".gif"), QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))},
        {{"-o", ChangeFileExt(tooLong, ".bmp")}, ChangeFileExt(tooLong, ".bmp"), QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.join(' ').toStdString());
        const TRun run = Run(c.Args);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Err.contains(c.Names)) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(c.Why)) << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
    }
    EXPECT_EQ(Entries(), (QStringList{"afile", "damaged.jpg", "keep.jpg"}));
    const QFileInfo pipe(Path("pipe.jpg")); // still the FIFO, not replaced by a file
    EXPECT_TRUE(pipe.exists() && !pipe.isFile());
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("old"));
}

TEST_F(RenderTool, MemoryLimitRefusesHugeSizesAndFaces)
{
    const QStringList faces = {"--front", Sample("GreyfinchFront.jpg"), "--side", Sample("GreyfinchSide.jpg")};
    // A default size the render could never have memory for is a usage error,
    // whether the limit comes from the option or the environment.
    for (const auto& [args, env] : {std::pair{QStringList{"--memory-limit", "64M"}, QStringList{}},
                                    std::pair{QStringList{}, QStringList{"CUBIFORM_MEMORY_LIMIT=64M"}}}) {
        const TRun run = Run(faces + args + QStringList{"--default-size=20000x20000", "-o", Path("out.jpg")}, env);
        EXPECT_EQ(run.ExitCode, 2) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(QStringLiteral("20000 \u00d7 20000 pixels would need"))) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("64 MB")) << run.Err.toStdString();
    }
    EXPECT_EQ(Run(faces + QStringList{"--memory-limit", "lots", "-o", Path("out.jpg")}).ExitCode, 2);
    // A limit too small for any box is taken as the least the program needs.
    EXPECT_EQ(Run(faces + QStringList{"--memory-limit", "1K", "-o", Path("tiny.jpg")}).ExitCode, 0);
    EXPECT_TRUE(QFile::remove(Path("tiny.jpg")));

    // A face whose header claims 20000 x 20000 pixels is refused from the header.
    TBitmap32 small;
    small.SetSize(16, 16);
    ASSERT_TRUE(SaveAsJpeg(Path("huge.jpg"), small));
    QFile huge(Path("huge.jpg"));
    ASSERT_TRUE(huge.open(QIODevice::ReadWrite));
    QByteArray bytes = huge.readAll();
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    for (int at : {5, 7}) {
        bytes[sof + at] = char(0x4E);
        bytes[sof + at + 1] = char(0x20);
    }
    huge.seek(0);
    huge.write(bytes);
    huge.close();
    const TRun run = Run({"--front", Path("huge.jpg"), "--side", Sample("GreyfinchSide.jpg"), "-o", Path("out.jpg")},
                         {"CUBIFORM_MEMORY_LIMIT=100M"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("'%1', a picture of 20000 \u00d7 20000 pixels, would need").arg(Path("huge.jpg"))))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("100 MB")) << run.Err.toStdString();
    EXPECT_EQ(Entries(), QStringList{"huge.jpg"});
}

TEST_F(RenderTool, AFullDiskFailsNamingTheFileAndKeepsTheOldOne)
{
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const char* name : {"old.jpg", "old.gif", "old.bmp", "old.png"}) {
        SCOPED_TRACE(name);
        QFile old(Path(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const TRun run = Run({"-o", Path(name)}, {}, 4096);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_TRUE(run.Err.contains(QStringLiteral("cannot write '%1': %2").arg(Path(name), tooLarge)))
            << run.Err.toStdString();
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old"));
        old.close();
    }
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"old.bmp", "old.gif", "old.jpg", "old.png"}));
}

TEST_F(RenderTool, PngHoldsTheBoxOnATransparentGroundThatOverWhiteIsTheBitmap)
{
    const QStringList faces = {"--front", Sample("GreyfinchFront.jpg"), "--side", Sample("GreyfinchSide.jpg"),
                               "--shadow", "--orientation", "right"};
    ASSERT_EQ(Run(faces + QStringList{"-o", Path("box.png")}).ExitCode, 0);
    ASSERT_EQ(Run(faces + QStringList{"-o", Path("box.bmp")}).ExitCode, 0);
    ASSERT_EQ(Run(faces + QStringList{"--background", "white", "-o", Path("white.png")}).ExitCode, 0);
    ASSERT_EQ(Run(faces + QStringList{"--background", "#204060", "-o", Path("navy.bmp")}).ExitCode, 0);
    TBitmap32 png, bmp, white, navy;
    ASSERT_TRUE(LoadImageFile(Path("box.png"), png));
    ASSERT_TRUE(LoadImageFile(Path("box.bmp"), bmp));
    ASSERT_TRUE(LoadImageFile(Path("white.png"), white));
    ASSERT_TRUE(LoadImageFile(Path("navy.bmp"), navy));
    ASSERT_EQ(png.Width(), bmp.Width());
    ASSERT_EQ(png.Height(), bmp.Height());
    EXPECT_EQ(png.PixelAt(0, 0), 0u);
    int worst = 0;
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x) {
            const TColor32 p = png.PixelAt(x, y), b = bmp.PixelAt(x, y);
            const int a = int(p >> 24);
            EXPECT_EQ(white.PixelAt(x, y), b | 0xFF000000u);
            for (int shift = 0; shift <= 16; shift += 8) {
                const int over = (int((p >> shift) & 255) * a + 255 * (255 - a) + 127) / 255;
                worst = std::max(worst, std::abs(over - int((b >> shift) & 255)));
                const int ground = int((0x204060u >> shift) & 255);
                const int onNavy = (int((p >> shift) & 255) * a + ground * (255 - a) + 127) / 255;
                EXPECT_EQ(int((navy.PixelAt(x, y) >> shift) & 255), onNavy);
            }
        }
    EXPECT_LE(worst, 1);
}

TEST_F(RenderTool, TheFreeViewWritesThePictureAndWhereItsFacesWent)
{
    TBitmap32 front, side;
    front.SetSize(200, 300);
    front.Clear(0xFFE02020u);
    side.SetSize(50, 300);
    side.Clear(0xFF2020E0u);
    SaveAsBitmap(Path("front.bmp"), front);
    SaveAsBitmap(Path("side.bmp"), side);
    const TRun run = Run({"--front", Path("front.bmp"), "--side", Path("side.bmp"), "--yaw", "-35", "--size", "400x300",
                          "--reflection", "--geometry", Path("faces.json"), "-o", Path("box.png")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    TBitmap32 box;
    ASSERT_TRUE(LoadImageFile(Path("box.png"), box));
    ASSERT_EQ(box.Width(), 400);
    ASSERT_EQ(box.Height(), 300);
    EXPECT_EQ(box.PixelAt(1, 1), 0u);

    QFile file(Path("faces.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(json["width"].toInt(), 400);
    EXPECT_EQ(json["height"].toInt(), 300);
    QStringList names;
    for (const QJsonValue& face : json["faces"].toArray()) {
        const QJsonObject f = face.toObject();
        names << f["name"].toString();
        const QJsonArray corners = f["corners"].toArray();
        ASSERT_EQ(corners.size(), 4);
        // The middle of the face's corners lies on the face in the picture.
        double x = 0, y = 0;
        for (const QJsonValue& c : corners) x += c.toArray()[0].toDouble() / 4, y += c.toArray()[1].toDouble() / 4;
        const TColor32 pixel = box.PixelAt(int(x), int(y));
        EXPECT_EQ(AlphaComponent(pixel), 255);
        if (f["name"] == "front") {
            EXPECT_EQ(f["image"].toArray(), (QJsonArray{200, 300}));
            EXPECT_GT(RedComponent(pixel), BlueComponent(pixel));
        }
        if (f["name"] == "side") {
            EXPECT_GT(BlueComponent(pixel), RedComponent(pixel));
            // Yaw -35 shows the right side.
            EXPECT_GT(x, 200);
        }
    }
    EXPECT_EQ(names, (QStringList{"side", "top", "front"}));
}

TEST_F(RenderTool, NamesThatAreNotValidUtf8)
{
    // Faces named with a Latin-1 e-acute byte, passed by a shell so the
    // arguments keep their bytes.
    QByteArrayList faces; // removed here: the temporary folder cannot name them
    auto removeFaces = qScopeGuard([&] {
        for (const QByteArray& face : faces) std::remove(face.constData());
    });
    for (const char* face : {"GreyfinchFront", "GreyfinchSide"}) {
        faces.append(QFile::encodeName(Path(face)) + "\xE9.jpg");
        ASSERT_TRUE(QFile::copy(Sample(QByteArray(face).append(".jpg").constData()), Path("copy.jpg")));
        ASSERT_EQ(std::rename(QFile::encodeName(Path("copy.jpg")).constData(), faces.last().constData()), 0);
    }
    auto runShell = [&](const QString& output) {
        QProcess p;
        p.setWorkingDirectory(FDir.path());
        p.start("/bin/sh", {"-c", "exec \"$0\" --front \"$(printf 'GreyfinchFront\\351.jpg')\" "
                                  "--side \"$(printf 'GreyfinchSide\\351.jpg')\" -o \"$(printf '" + output + "')\"",
                            BinDir() + "/cubiform-render"});
        EXPECT_TRUE(p.waitForFinished(60000));
        return TRun{p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                    QString::fromLocal8Bit(p.readAllStandardError())};
    };
    const TRun run = runShell("box.bmp");
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    TBitmap32 box;
    EXPECT_TRUE(LoadImageFile(Path("box.bmp"), box));

    // An output name the save functions cannot take is refused, not written
    // under another name.
    const TRun refused = runShell("box\\351.jpg");
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_TRUE(refused.Err.contains("not valid in the system's file name encoding")) << refused.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("box\uFFFD.jpg"))));
    EXPECT_FALSE(QFileInfo::exists(Path("box.jpg")));
}

TEST_F(RenderTool, ProjectsRenderTheirLayersAndTheCommandLineOverridesTheirSettings)
{
    TProjectDocument doc = SampleProject(BinDir() + "/Samples");
    QString why;
    ASSERT_TRUE(SaveProject(Path("p.cubiform"), doc, &why)) << why.toStdString();
    auto expected = [&](TBoxStyle style, TBitmap32& out) {
        TBitmap32 f, s, t;
        FlattenProjectFace(doc.Faces[pfFront], f);
        FlattenProjectFace(doc.Faces[pfSide], s);
        FlattenProjectFace(doc.Faces[pfTop], t);
        ComposeBox(out, f, s, t, style, boLeft, false, 250, 300, true);
        for (int y = 0; y < out.Height(); ++y)
            for (int x = 0; x < out.Width(); ++x) out.ScanLine(y)[x] |= 0xFF000000u; // bitmaps are saved opaque
    };
    TBitmap32 front;
    FlattenProjectFace(doc.Faces[pfFront], front);
    ASSERT_NE(std::memcmp(front.Bits(), doc.Faces[pfFront].Base.Pixels.data(), doc.Faces[pfFront].Base.Pixels.size() * 4), 0);

    // The project's own settings (three sides, shadow), then a style given beside it.
    for (const auto& [args, style] : {std::pair{QStringList{}, bxThreeSideBox},
                                      std::pair{QStringList{"--style", "two-sided"}, bxTwoSidedBox}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun run = Run(QStringList{"--project", Path("p.cubiform")} + args + QStringList{"-o", Path("p.bmp")});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        TBitmap32 got, want;
        ASSERT_TRUE(LoadImageFile(Path("p.bmp"), got));
        expected(style, want);
        ASSERT_EQ(got.Width(), want.Width());
        ASSERT_EQ(got.Height(), want.Height());
        EXPECT_EQ(Pixels(got), Pixels(want));
    }

    // A damaged project, or one without a face the box needs, is named and nothing is written.
    QFile whole(Path("p.cubiform"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile cut(Path("cut.cubiform"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(whole.readAll().left(int(whole.size() / 2)));
    cut.close();
    doc.Faces[pfTop].Base = TPixelBuffer();
    ASSERT_TRUE(SaveProject(Path("lidless.cubiform"), doc, &why));
    for (const char* name : {"cut.cubiform", "lidless.cubiform", "missing.cubiform"}) {
        SCOPED_TRACE(name);
        const TRun run = Run({"--project", Path(name), "-o", Path("bad.png")});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_TRUE(run.Err.contains(Path(name))) << run.Err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("bad.png")));
    }
    // Without the lid, two sides do.
    EXPECT_EQ(Run({"--project", Path("lidless.cubiform"), "--style", "two-sided", "-o", Path("two.png")}).ExitCode, 0);
}
