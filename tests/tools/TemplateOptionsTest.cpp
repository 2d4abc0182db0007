// cubiform-render with the user's template store: --template and --list-templates.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TToolRun {
    int ExitCode = -1;
    QString Out, Err;
};

const char kTemplatesSection[] = "[HKEY_CURRENT_USER\\Software\\Quillmere Software\\Quillmere Cubiform\\Templates\\";

class RenderTemplates : public ::testing::Test {
protected:
    static QString BinDir() { return QCoreApplication::applicationDirPath(); }
    static QString Sample(const char* name) { return BinDir() + "/Samples/" + name; }
    QString Hive() const { return FDir.filePath("store/user.reg"); }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    TToolRun Run(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUBIFORM_HIVE", Hive());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(FDir.path());
        p.start(BinDir() + "/cubiform-render", args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return TToolRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
                        QString::fromLocal8Bit(p.readAllStandardOutput()),
                        QString::fromLocal8Bit(p.readAllStandardError())};
    }

    // A store holding the given template sections (registry-export text).
    void WriteStore(const QByteArray& sections) const
    {
        QDir().mkpath(FDir.filePath("store"));
        QFile f(Hive());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Windows Registry Editor Version 5.00\n\n" + sections);
    }
    static QByteArray Template(const char* name, const QString& front, const QString& side, const char* extra = "")
    {
        return QByteArray(kTemplatesSection) + name + "]\n\"ItemName\"=\"" + name + "\"\n\"FrontImage\"=\"" +
               front.toUtf8() + "\"\n\"SideImage\"=\"" + side.toUtf8() + "\"\n" + extra + "\n";
    }
    QByteArray Store() const
    {
        QFile f(Hive());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray Output(const QString& name) const
    {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(RenderTemplates, FirstRunListsAndStoresTheSampleTemplate)
{
    const TToolRun run = Run({"--list-templates"});
    EXPECT_EQ(run.ExitCode, 0) << qPrintable(run.Err);
    EXPECT_EQ(run.Out, "Sample Template\n");
    const QByteArray store = Store();
    EXPECT_TRUE(store.contains(QByteArray(kTemplatesSection) + "Sample Template]"));
    EXPECT_TRUE(store.contains(("\"TopImage\"=\"" + Sample("GreyfinchTop.jpg") + "\"").toUtf8()));

    // The sample template renders like the sample faces given by hand.
    EXPECT_EQ(Run({"--template", "sample template", "--style", "three-sided", "--default-size", "-o", "t.bmp"}).ExitCode, 0);
    EXPECT_EQ(Run({"--front", Sample("GreyfinchFront.jpg"), "--side", Sample("GreyfinchSide.jpg"), "--top",
                   Sample("GreyfinchTop.jpg"), "--style", "three-sided", "--default-size=250x300", "-o", "f.bmp"})
                  .ExitCode,
              0);
    EXPECT_FALSE(Output("t.bmp").isEmpty());
    EXPECT_EQ(Output("t.bmp"), Output("f.bmp"));
}

TEST_F(RenderTemplates, StoredTemplatesListInStoreOrderAndReadOnly)
{
    WriteStore(Template("Zeta", "/z/front.jpg", "/z/side.jpg") + Template("alpha", "/a/front.jpg", "/a/side.jpg"));
    const QByteArray before = Store();
    const TToolRun run = Run({"--list-templates"});
    EXPECT_EQ(run.ExitCode, 0) << qPrintable(run.Err);
    EXPECT_EQ(run.Out, "alpha\nZeta\n");
    EXPECT_EQ(Store(), before) << "listing writes nothing when there is no sample to add";
}

TEST_F(RenderTemplates, TemplateGivesFacesAndDefaultSize)
{
    WriteStore(Template("Greyfinch Small", Sample("GreyfinchFront.jpg"), Sample("GreyfinchSide.jpg"),
                        "\"DefaultHeight\"=\"180\"\n\"DefaultWidth\"=\"140\"\n"));
    const QStringList faces = {"--front", Sample("GreyfinchFront.jpg"), "--side", Sample("GreyfinchSide.jpg")};

    EXPECT_EQ(Run({"--template", "GREYFINCH small", "--default-size", "--shadow", "-o", "t.bmp"}).ExitCode, 0);
    EXPECT_EQ(Run(faces + QStringList{"--default-size=140x180", "--shadow", "-o", "f.bmp"}).ExitCode, 0);
    EXPECT_FALSE(Output("t.bmp").isEmpty());
    EXPECT_EQ(Output("t.bmp"), Output("f.bmp"));

    // A size on the command line wins over the template's.
    EXPECT_EQ(Run({"--template", "Greyfinch Small", "--default-size=90x120", "-o", "t2.bmp"}).ExitCode, 0);
    EXPECT_EQ(Run(faces + QStringList{"--default-size=90x120", "-o", "f2.bmp"}).ExitCode, 0);
    EXPECT_EQ(Output("t2.bmp"), Output("f2.bmp"));
    EXPECT_NE(Output("t2.bmp"), Output("t.bmp"));
}

TEST_F(RenderTemplates, UnknownNamesMissingFacesAndBadStoresFail)
{
    WriteStore(Template("NoTop", Sample("GreyfinchFront.jpg"), Sample("GreyfinchSide.jpg")) +
               Template("Empty", "", ""));
    TToolRun run = Run({"--template", "Missing One", "-o", "x.jpg"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains("Unknown template 'Missing One'")) << qPrintable(run.Err);

    run = Run({"--template", "notop", "--style", "three-sided", "-o", "x.jpg"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains("'NoTop' has no top image")) << qPrintable(run.Err);

    run = Run({"--template", "Empty", "-o", "x.jpg"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains("'Empty' has no front or no side image")) << qPrintable(run.Err);
    EXPECT_FALSE(QFile::exists(Path("x.jpg")));

    // A template with a value of the wrong type is reported and left out; the
    // others can still be listed and rendered, and the store is left as it was.
    WriteStore(Template("Typed", "/f.jpg", "/s.jpg", "\"DefaultWidth\"=dword:000000fa\n") +
               Template("Good", Sample("GreyfinchFront.jpg"), Sample("GreyfinchSide.jpg")));
    const QByteArray before = Store();
    for (const QStringList& args : {QStringList{"--list-templates"}, QStringList{"--template", "Typed", "-o", "x.jpg"},
                                    QStringList{"--template", "Good", "-o", "good.jpg"}}) {
        run = Run(args);
        EXPECT_EQ(run.ExitCode, args.contains("Good") ? 0 : 1) << qPrintable(args.join(' '));
        EXPECT_TRUE(run.Err.contains("Invalid data type for 'DefaultWidth'")) << qPrintable(run.Err);
    }
    EXPECT_EQ(Run({"--list-templates"}).Out, QStringLiteral("Good\n"));
    EXPECT_FALSE(Output("good.jpg").isEmpty());
    EXPECT_EQ(Store(), before);
}
