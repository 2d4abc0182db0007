// cubiform-render --batch, end to end: the tests run the built executable
// on manifests in a scratch folder, with a template store of their own.
#include "support/SampleProject.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TRun {
    int ExitCode = -1;
    QString Out, Err;
};

class BatchRender : public ::testing::Test {
protected:
    static QString BinDir() { return QCoreApplication::applicationDirPath(); }
    static QString Sample(const char* name) { return BinDir() + "/Samples/" + name; }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    // Runs in the scratch folder's "work" folder, away from the manifests.
    TRun Run(const QStringList& args, const QByteArray& input = {}) const
    {
        QDir().mkpath(Path("work"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUBIFORM_HIVE", Path("store/user.reg"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(Path("work"));
        p.start(BinDir() + "/cubiform-render", args);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(120000));
        return TRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
                    QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
    }
    void Write(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(Path(name)).absolutePath());
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray Read(const QString& name) const
    {
        QFile f(Path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList Files(const QString& folder) const
    {
        return QDir(Path(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The objects --progress=json printed, one a line.
    static std::vector<QJsonObject> Progress(const QString& out)
    {
        std::vector<QJsonObject> objects;
        for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts))
            objects.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
        return objects;
    }

    QTemporaryDir FDir;
};

// The long options in the option list of --help, the batch's own aside.
QSet<QString> RenderOptionsInHelp(const QString& help)
{
    QSet<QString> names;
    static const QRegularExpression option(QStringLiteral("--([a-z][a-z-]*)"));
    for (const QString& line : help.section("Batch rendering:", 0, 0).split(u'\n'))
        if (line.startsWith("  -"))
            for (auto it = option.globalMatch(line); it.hasNext();) names.insert(it.next().captured(1));
    return names;
}

} // namespace

TEST_F(BatchRender, EveryOptionGivesTheBytesOfTheSingleRender)
{
    // Faces beside the manifest, named relatively there; the program runs
    // from another folder.
    for (const char* folder : {"jobs/out", "single"}) QDir().mkpath(Path(folder));
    for (const char* face : {"GreyfinchFront.jpg", "GreyfinchSide.jpg", "GreyfinchTop.jpg"})
        ASSERT_TRUE(QFile::copy(Sample(face), Path(QString("jobs/") + face)));
    ASSERT_TRUE(SaveProject(Path("jobs/p.cubiform"), SampleProject(BinDir() + "/Samples"), nullptr));
    const QString faces = R"("front":"GreyfinchFront.jpg","side":"GreyfinchSide.jpg")";
    const QString top = R"(,"top":"GreyfinchTop.jpg")";
    const QStringList single = {"--front", Path("jobs/GreyfinchFront.jpg"), "--side", Path("jobs/GreyfinchSide.jpg")};
    const QStringList singleTop = single + QStringList{"--top", Path("jobs/GreyfinchTop.jpg")};
    struct TCase {
        QString Json;       // the keys besides the output
        QStringList Single; // the same job as a single command
    };
    // Two formats a case, in turn; the backgrounds fall on PNG.
    const std::vector<TCase> cases = {
        {faces, single},
        {faces + R"(,"style":"three-sided")" + top, singleTop + QStringList{"--style", "three-sided"}},
        {faces + R"(,"style":"book","shadow":true)", single + QStringList{"--style", "book", "--shadow"}},
        {faces + R"(,"orientation":"right","shadow":true)", single + QStringList{"--orientation", "right", "--shadow"}},
        {faces + R"(,"default-size":true)", single + QStringList{"--default-size"}},
        {faces + R"(,"background":"#204060","shadow":true)", single + QStringList{"--background", "#204060", "--shadow"}},
        {faces + R"(,"background":"white")", single + QStringList{"--background", "white"}},
        {faces + R"(,"default-size":"180x220","shadow":true)", single + QStringList{"--default-size=180x220", "--shadow"}},
        {faces + R"(,"style":"three-sided","preview":true)" + top, singleTop + QStringList{"--style", "three-sided", "--preview"}},
        {faces + R"(,"background":"transparent","shadow":true)", single + QStringList{"--background", "transparent", "--shadow"}},
        {faces + R"(,"memory-limit":"64M")", single + QStringList{"--memory-limit", "64M"}},
        {R"("template":"Sample Template","orientation":"right")", {"--template", "Sample Template", "--orientation", "right"}},
        {R"("template":"Sample Template","default-size":"300x200")", {"--template", "Sample Template", "--default-size=300x200"}},
        {R"("style":"book")", {"--style", "book"}}, // the samples
        {R"("project":"p.cubiform","style":"two-sided","yaw":-20)", {"--project", Path("jobs/p.cubiform"), "--style", "two-sided", "--yaw", "-20"}},
        {faces + R"(,"view":"free")", single + QStringList{"--view", "free"}},
        {faces + R"(,"yaw":-35,"pitch":25,"reflection":true)", single + QStringList{"--yaw", "-35", "--pitch", "25", "--reflection"}},
        {faces + R"(,"fov":0,"scale":0.5,"shadow":true)", single + QStringList{"--fov", "0", "--scale", "0.5", "--shadow"}},
        // 20.3 reaches the job as "20.300000000000001".
        {faces + R"(,"pitch":20.3,"fov":45)", single + QStringList{"--pitch", "20.3", "--fov", "45"}},
        {faces + R"(,"style":"book","size":"400x300","reflection":"50")",
         single + QStringList{"--style", "book", "--size", "400x300", "--reflection=50"}},
    };
    QSet<QString> covered = {"output", "help", "list-templates"};
    QByteArray manifest = "# every option, in every format\n";
    int n = 0;
    for (const TCase& c : cases) {
        static const char* const formats[] = {"jpg", "gif", "png", "bmp"};
        for (const char* format : {formats[n / 2 % 4], formats[(n / 2 + 1) % 4]}) {
            const QString name = QString("%1.%2").arg(n++).arg(format);
            manifest += QString("{%1,\"output\":\"out/%2\"}\n").arg(c.Json, name).toUtf8();
            const TRun run = Run(c.Single + QStringList{"-o", Path("single/" + name)});
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        }
        for (const QString& key : QJsonDocument::fromJson("{" + c.Json.toUtf8() + "}").object().keys()) covered.insert(key);
    }
    // A .jpeg output is written as .jpg, as a single render does.
    manifest += QString("{%1,\"output\":\"out/%2.jpeg\"}\n").arg(faces).arg(n).toUtf8();
    ASSERT_EQ(Run(single + QStringList{"-o", Path(QString("single/%1.jpeg").arg(n))}).ExitCode, 0);
    // The free view's geometry file, beside its picture.
    manifest += QString("{%1,\"geometry\":\"out/g.json\",\"output\":\"out/g.png\"}\n").arg(faces).toUtf8();
    ASSERT_EQ(Run(single + QStringList{"--geometry", Path("single/g.json"), "-o", Path("single/g.png")}).ExitCode, 0);
    covered.insert("geometry");
    Write("jobs/m.jsonl", manifest);

    const TRun help = Run({"--help"});
    const QSet<QString> missing = RenderOptionsInHelp(help.Out) - covered;
    EXPECT_TRUE(missing.isEmpty()) << "no identity case for: " << QStringList(missing.values()).join(", ").toStdString();

    const TRun batch = Run({"--batch", Path("jobs/m.jsonl")});
    ASSERT_EQ(batch.ExitCode, 0) << batch.Err.toStdString();
    EXPECT_TRUE(batch.Out.isEmpty());
    // On a pipe: the summary alone.
    EXPECT_TRUE(batch.Err.startsWith(QString("cubiform-render: %1 done, 0 failed in ").arg(n + 2))) << batch.Err.toStdString();
    EXPECT_EQ(batch.Err.count(u'\n'), 1);
    ASSERT_EQ(Files("jobs/out"), Files("single"));
    for (const QString& name : Files("single")) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(Read("jobs/out/" + name), Read("single/" + name));
    }

    // Options beside --batch are defaults; a line's value replaces one and
    // false takes a flag away.
    Write("jobs/d.jsonl", QString("{%1,\"output\":\"d/a.gif\"}\n{%1,\"shadow\":false,\"orientation\":\"left\",\"output\":\"d/b.gif\"}\n")
                              .arg(faces).toUtf8());
    QDir().mkpath(Path("jobs/d"));
    ASSERT_EQ(Run({"--shadow", "--orientation", "right", "--batch", Path("jobs/d.jsonl")}).ExitCode, 0);
    ASSERT_EQ(Run(single + QStringList{"--shadow", "--orientation", "right", "-o", Path("single/a.gif")}).ExitCode, 0);
    ASSERT_EQ(Run(single + QStringList{"-o", Path("single/b.gif")}).ExitCode, 0);
    EXPECT_EQ(Read("jobs/d/a.gif"), Read("single/a.gif"));
    EXPECT_EQ(Read("jobs/d/b.gif"), Read("single/b.gif"));
}

TEST_F(BatchRender, ManifestErrorsNameTheirLinesAndNothingIsRendered)
{
    const QString front = Sample("GreyfinchFront.jpg"), side = Sample("GreyfinchSide.jpg");
    const QByteArray faces = QString(R"("front":"%1","side":"%2")").arg(front, side).toUtf8();
    const QByteArray manifest = "{" + faces + ",\"output\":\"a.jpg\"}\n"  // 1: fine, but never rendered
                                "\n"
                                "{\"output\": \"b.jpg\",}\n"             // 3
                                "[\"c.jpg\"]\n"                          // 4
                                "{" + faces + ",\"colour\":\"red\",\"output\":\"d.jpg\"}\n"    // 5
                                "{" + faces + ",\"shadow\":\"yes\",\"output\":\"e.jpg\"}\n"    // 6
                                "{" + faces + ",\"output\":null}\n"                            // 7
                                "{" + faces + ",\"style\":\"cube\",\"output\":\"f.jpg\"}\n"    // 8
                                "{\"front\":\"" + front.toUtf8() + "\",\"output\":\"g.jpg\"}\n" // 9
                                "{" + faces + ",\"output\":\"sub/../a.jpeg\"}\n"               // 10: a.jpg again
                                "{" + faces + ",\"help\":true,\"output\":\"h.jpg\"}\n"         // 11
                                "{" + faces + ",\"output\":\"i.tiff\"}\n"                      // 12
                                "{" + faces + ",\"default-size\":\"20000x20000\",\"memory-limit\":\"64M\",\"output\":\"j.jpg\"}\n" // 13
                                "{" + faces + ",\"output\":\"k.jpg\\u0000.bmp\"}\n"            // 14
                                + QByteArray(2 << 20, ' ') + "\n"                              // 15
                                "{" + faces + ",\"output\":\"l.jpg\"}\n";                      // 16: fine
    Write("jobs/m.jsonl", manifest);
    const TRun run = Run({"--batch", Path("jobs/m.jsonl")});
    EXPECT_EQ(run.ExitCode, 2);
    const std::vector<std::pair<int, QString>> expected = {
        {3, "not valid JSON"},
        {4, "a job is a JSON object"},
        {5, "unknown key 'colour'"},
        {6, "'shadow' takes true or false"},
        {7, "'output' takes a text"},
        {8, "invalid value 'cube' for option '--style'"},
        {9, "--front and --side must be given together"},
        {10, "writes '" + Path("jobs/a.jpg") + "', as line 1 does"},
        {11, "'help' is not an option of a job"},
        {12, "must end in .jpg"},
        {13, "20000 \u00d7 20000 pixels would need"},
        {14, "invalid value 'k.jpg\\0.bmp'"},
        {15, "longer than 1.0 MB"},
    };
    const QStringList lines = run.Err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(expected.size() + 1)) << run.Err.toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(lines[qsizetype(i)].startsWith(QString("cubiform-render: line %1: ").arg(expected[i].first)))
            << lines[qsizetype(i)].toStdString();
        EXPECT_TRUE(lines[qsizetype(i)].contains(expected[i].second)) << lines[qsizetype(i)].toStdString();
    }
    EXPECT_EQ(lines.last(), "cubiform-render: the manifest has errors; nothing was rendered");
    EXPECT_EQ(Files("jobs"), QStringList{"m.jsonl"});
    EXPECT_TRUE(Files("work").isEmpty());

    // The manifest itself, and the command line around it.
    EXPECT_EQ(Run({"--batch", Path("none.jsonl")}).ExitCode, 2);
    EXPECT_EQ(Run({"--batch", Path("jobs")}).ExitCode, 2);
    EXPECT_EQ(Run({"--batch", Path("jobs/m.jsonl"), "--list-templates"}).ExitCode, 2);
    EXPECT_EQ(Run({"--batch", Path("jobs/m.jsonl"), "--style", "cube"}).ExitCode, 2);
    for (const QStringList& args : {QStringList{"--shard", "0/2"}, {"--shard", "3/2"}, {"--shard", "1"},
                                    {"--progress", "xml"}, {"--fail-fast=yes"}, {"--batch"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun bad = Run(QStringList{"--batch", Path("jobs/m.jsonl")} + args);
        EXPECT_EQ(bad.ExitCode, 2);
        EXPECT_TRUE(bad.Err.contains("Usage: cubiform-render")) << bad.Err.toStdString();
    }
    const TRun without = Run({"--quiet", "-o", "x.jpg"});
    EXPECT_EQ(without.ExitCode, 2);
    EXPECT_TRUE(without.Err.startsWith("cubiform-render: '--quiet' works only with --batch")) << without.Err.toStdString();
    EXPECT_TRUE(Files("work").isEmpty());
}

TEST_F(BatchRender, AFailingJobIsReportedWhileTheOthersAreWritten)
{
    Write("jobs/damaged.jpg", "\xFF\xD8 not really a JPEG");
    Write("jobs/m.jsonl", "{\"output\":\"out/1.jpg\"}\n"
                          "{\"front\":\"missing.jpg\",\"side\":\"damaged.jpg\",\"output\":\"out/2.jpg\"}\n"
                          "# a comment\n"
                          "{\"output\":\"nowhere/3.jpg\"}\n"
                          "{\"template\":\"No Such Template\",\"output\":\"out/4.jpg\"}\n"
                          "{\"front\":\"damaged.jpg\",\"side\":\"damaged.jpg\",\"output\":\"out/5.jpg\"}\n"
                          "{\"shadow\":true,\"output\":\"out/6.gif\"}\n");
    QDir().mkpath(Path("jobs/out"));
    const TRun run = Run({"--batch", Path("jobs/m.jsonl"), "--progress=json"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Files("jobs/out"), (QStringList{"1.jpg", "6.gif"}));
    for (const QString& reason : {"line 2: cannot read '" + Path("jobs/missing.jpg") + "': no such file",
                                  "line 4: cannot write '" + Path("jobs/nowhere/3.jpg") + "': the folder does not exist",
                                  QString("line 5: Unknown template 'No Such Template'"),
                                  "line 6: '" + Path("jobs/damaged.jpg") + "' is not a valid JPEG image",
                                  QString("2 done, 4 failed in ")})
        EXPECT_TRUE(run.Err.contains(reason)) << reason.toStdString() << "\n" << run.Err.toStdString();

    // One object a finished job, in the order they end.
    std::map<int, QJsonObject> byLine;
    for (const QJsonObject& o : Progress(run.Out)) byLine[o["line"].toInt()] = o;
    ASSERT_EQ(byLine.size(), 6u) << run.Out.toStdString();
    EXPECT_EQ(byLine[7]["status"].toString(), "done");
    EXPECT_EQ(byLine[7]["index"].toInt(), 5);
    EXPECT_EQ(byLine[7]["output"].toString(), Path("jobs/out/6.gif"));
    EXPECT_EQ(byLine[2]["status"].toString(), "failed");
    EXPECT_TRUE(byLine[2]["error"].toString().contains("no such file"));

    // --fail-fast starts no job after the first failure.
    QDir(Path("jobs/out")).removeRecursively();
    QDir().mkpath(Path("jobs/out"));
    const TRun fast = Run({"--batch", Path("jobs/m.jsonl"), "--fail-fast", "--jobs", "1"});
    EXPECT_EQ(fast.ExitCode, 1);
    EXPECT_EQ(Files("jobs/out"), QStringList{"1.jpg"});
    EXPECT_TRUE(fast.Err.contains("1 done, 1 failed in ")) << fast.Err.toStdString();
    EXPECT_TRUE(fast.Err.contains("4 not run")) << fast.Err.toStdString();
}

TEST_F(BatchRender, TwoShardsTogetherAreTheWholeRunAndJobsDoNotChangeIt)
{
    // From standard input: relative names are taken from the working folder.
    QByteArray manifest = "# shards count jobs, not lines\n";
    for (int i = 0; i < 7; ++i) {
        manifest += QString(R"({"template":"Sample Template","orientation":"%1","shadow":%2,"output":"%3.%4"})")
                        .arg(i % 2 ? "right" : "left", i % 3 ? "true" : "false")
                        .arg(i)
                        .arg(i % 2 ? "gif" : "jpg")
                        .toUtf8() +
                    "\n\n";
    }
    ASSERT_EQ(Run({"--batch", "-", "--jobs", "1"}, manifest).ExitCode, 0);
    QDir().rename(Path("work"), Path("whole"));

    const TRun first = Run({"--batch", "-", "--shard", "1/2", "--progress=json"}, manifest);
    ASSERT_EQ(first.ExitCode, 0) << first.Err.toStdString();
    QSet<int> indices;
    for (const QJsonObject& o : Progress(first.Out)) indices.insert(o["index"].toInt());
    EXPECT_EQ(indices, (QSet<int>{0, 2, 4, 6}));
    ASSERT_EQ(Run({"--batch", "-", "--shard", "2/2"}, manifest).ExitCode, 0);
    ASSERT_EQ(Files("work").size(), 7);
    ASSERT_EQ(Files("work"), Files("whole"));
    for (const QString& name : Files("whole")) EXPECT_EQ(Read("work/" + name), Read("whole/" + name)) << name.toStdString();

    // Any number of workers, more than the jobs too, gives the same files.
    for (const char* jobs : {"2", "3", "16"}) {
        QDir(Path("work")).removeRecursively();
        ASSERT_EQ(Run({"--batch", "-", "--jobs", jobs}, manifest).ExitCode, 0);
        ASSERT_EQ(Files("work"), Files("whole")) << jobs;
        for (const QString& name : Files("whole")) EXPECT_EQ(Read("work/" + name), Read("whole/" + name)) << jobs;
    }
    for (const char* jobs : {"0", "-1", "two", "1025", ""}) {
        const TRun bad = Run({"--batch", "-", "--jobs", jobs}, manifest);
        EXPECT_EQ(bad.ExitCode, 2) << jobs;
        EXPECT_TRUE(bad.Err.contains("for option '--jobs'")) << bad.Err.toStdString();
    }
}
