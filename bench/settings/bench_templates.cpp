// Saving and loading a store of 1,000 templates, against QSettings writing and
// reading the same values as an INI file; and one key holding 100,000 values
// (a 4 MB file), which must load and save in time linear in its size.
#include "platform/Hive.h"
#include "platform/Registry.h"
#include "settings/ProgramKey.h"
#include "templates/TemplateList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kTemplates = 1000;

QTemporaryDir& WorkDir()
{
    static QTemporaryDir dir;
    return dir;
}

void Fill(TTemplateContainer& c)
{
    for (int i = 0; i < kTemplates; ++i) {
        TTemplateItem* item = c.AddTemplate();
        const QString name = QStringLiteral("Template %1").arg(i, 4, 10, QLatin1Char('0'));
        item->SetItemName(name);
        item->SetFrontImage(QStringLiteral("/home/user/Pictures/boxes/") + name + QStringLiteral(" front.jpg"));
        item->SetSideImage(QStringLiteral("/home/user/Pictures/boxes/") + name + QStringLiteral(" side.jpg"));
        item->SetTopImage(QStringLiteral("/home/user/Pictures/boxes/") + name + QStringLiteral(" top.jpg"));
        item->SetDefaultHeight(300 + i % 50);
        item->SetDefaultWidth(250 + i % 40);
    }
}

// Gives the store file a new identity, so the next session must read and parse it.
void ReplaceFileWithCopy(const QString& path)
{
    const QString copy = path + QStringLiteral(".copy");
    QFile::remove(copy);
    QFile::copy(path, copy);
    QFile::remove(path);
    QFile::rename(copy, path);
}

void BM_HiveSave1000Templates(benchmark::State& state)
{
    TTemplateContainer c(nullptr);
    c.SetAutoSave(false);
    c.SetStorageName(ProgramKey());
    Fill(c);
    for (auto _ : state) c.Save();
}
BENCHMARK(BM_HiveSave1000Templates)->Unit(benchmark::kMillisecond);

void BM_HiveLoad1000Templates(benchmark::State& state)
{
    {
        TTemplateContainer c(nullptr);
        c.SetAutoSave(false);
        c.SetStorageName(ProgramKey());
        Fill(c);
        c.Save();
    }
    for (auto _ : state) {
        state.PauseTiming();
        ReplaceFileWithCopy(THive::DefaultPath());
        state.ResumeTiming();
        TTemplateContainer* c = TTemplateContainer::CreateReg(nullptr, ProgramKey());
        c->SetAutoSave(false);
        if (c->Templates()->Count() != kTemplates) state.SkipWithError("templates lost");
        delete c;
    }
}
BENCHMARK(BM_HiveLoad1000Templates)->Unit(benchmark::kMillisecond);

// The peer: the same 6,000 values through QSettings.
void WriteIni(QSettings& ini, const TTemplateContainer& c)
{
    ini.beginGroup(QStringLiteral("Templates"));
    for (int i = 0; i < c.Templates()->Count(); ++i) {
        const TTemplateItem* t = c.Templates()->Items(i);
        ini.beginGroup(t->ItemName());
        ini.setValue(QStringLiteral("ItemName"), t->ItemName());
        ini.setValue(QStringLiteral("FrontImage"), t->FrontImage());
        ini.setValue(QStringLiteral("SideImage"), t->SideImage());
        ini.setValue(QStringLiteral("TopImage"), t->TopImage());
        ini.setValue(QStringLiteral("DefaultHeight"), QString::number(t->DefaultHeight()));
        ini.setValue(QStringLiteral("DefaultWidth"), QString::number(t->DefaultWidth()));
        ini.endGroup();
    }
    ini.endGroup();
}

void BM_QSettingsSave1000Templates(benchmark::State& state)
{
    TTemplateContainer c(nullptr);
    c.SetAutoSave(false);
    Fill(c);
    const QString path = WorkDir().filePath(QStringLiteral("peer.ini"));
    for (auto _ : state) {
        QSettings ini(path, QSettings::IniFormat);
        ini.clear();
        WriteIni(ini, c);
        ini.sync();
    }
}
BENCHMARK(BM_QSettingsSave1000Templates)->Unit(benchmark::kMillisecond);

void BM_QSettingsLoad1000Templates(benchmark::State& state)
{
    const QString path = WorkDir().filePath(QStringLiteral("peer-load.ini"));
    {
        TTemplateContainer c(nullptr);
        c.SetAutoSave(false);
        Fill(c);
        QSettings ini(path, QSettings::IniFormat);
        WriteIni(ini, c);
    }
    for (auto _ : state) {
        state.PauseTiming();
        ReplaceFileWithCopy(path);
        state.ResumeTiming();
        QSettings ini(path, QSettings::IniFormat);
        TTemplateContainer c(nullptr);
        c.SetAutoSave(false);
        ini.beginGroup(QStringLiteral("Templates"));
        for (const QString& group : ini.childGroups()) {
            ini.beginGroup(group);
            TTemplateItem* t = c.AddTemplate();
            t->SetItemName(ini.value(QStringLiteral("ItemName")).toString());
            t->SetFrontImage(ini.value(QStringLiteral("FrontImage")).toString());
            t->SetSideImage(ini.value(QStringLiteral("SideImage")).toString());
            t->SetTopImage(ini.value(QStringLiteral("TopImage")).toString());
            t->SetDefaultHeight(ini.value(QStringLiteral("DefaultHeight")).toInt());
            t->SetDefaultWidth(ini.value(QStringLiteral("DefaultWidth")).toInt());
            ini.endGroup();
        }
        if (c.Templates()->Count() != kTemplates) state.SkipWithError("templates lost");
    }
}
BENCHMARK(BM_QSettingsLoad1000Templates)->Unit(benchmark::kMillisecond);

// ---- one key with many values ----

constexpr int kManyValues = 100000;

QString ManyValuesKey()
{
    return ProgramKey() + QStringLiteral("Many");
}

// Writes the values through a store of their own and commits them to path.
void WriteManyValues(const QString& path, int count)
{
    THive hive(path);
    TRegistry reg(hive);
    if (!reg.OpenKey(ManyValuesKey(), true)) return;
    for (int i = 0; i < count; ++i)
        reg.WriteString(QStringLiteral("Value %1").arg(i, 6, 10, QLatin1Char('0')),
                        QStringLiteral("/home/user/Pictures/%1.jpg").arg(i));
    reg.CloseKey();
}

void BM_HiveSaveManyValues(benchmark::State& state)
{
    const QString path = WorkDir().filePath(QStringLiteral("many-save.reg"));
    for (auto _ : state) {
        QFile::remove(path);
        WriteManyValues(path, int(state.range(0)));
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_HiveSaveManyValues)->Arg(10000)->Arg(kManyValues)->Unit(benchmark::kMillisecond);

void BM_HiveLoadManyValues(benchmark::State& state)
{
    const QString path = WorkDir().filePath(QStringLiteral("many-load.reg"));
    QFile::remove(path);
    WriteManyValues(path, int(state.range(0)));
    for (auto _ : state) {
        THive hive(path);
        TRegistry reg(hive);
        if (!reg.OpenKeyReadOnly(ManyValuesKey()) || reg.GetValueNames().size() != state.range(0))
            state.SkipWithError("values lost");
    }
}
BENCHMARK(BM_HiveLoadManyValues)->Arg(10000)->Arg(kManyValues)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("CUBIFORM_HIVE", QFile::encodeName(WorkDir().filePath(QStringLiteral("user.reg"))));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
