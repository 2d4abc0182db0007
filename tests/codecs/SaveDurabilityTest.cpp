// A save killed at any moment leaves the earlier file or the new one whole:
// a process saving in a loop is killed with SIGKILL at many different points
// and the file is read back each time.
#include "SavedPicture.h"
#include "codecs/ImageFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <unistd.h>
#include <vector>

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::vector<TColor32> PixelsOf(const TBitmap32& b)
{
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
}

void SaveAs(const QString& kind, const QString& file, const TBitmap32& picture)
{
    if (kind == "jpg") {
        ASSERT_TRUE(SaveAsJpeg(file, picture));
    } else if (kind == "gif") {
        ASSERT_TRUE(SaveAsGif(file, picture));
    } else {
        SaveAsBitmap(file, picture);
    }
}

// How long four saves take here and now, so that the kill points cover several
// saves however busy the machine is (a loaded machine or a sanitizer build
// saves many times slower).
useconds_t FourSavesMicroseconds(const QString& saver, const QString& target, const QString& kind)
{
    QProcess process;
    process.start(saver, {target, kind});
    if (!process.waitForReadyRead(10000)) return 40000;
    QElapsedTimer clock;
    clock.start();
    QByteArray out = process.readAllStandardOutput();
    while (out.count('\n') < 5 && process.waitForReadyRead(30000)) out += process.readAllStandardOutput();
    const qint64 elapsed = clock.nsecsElapsed() / 1000;
    ::kill(pid_t(process.processId()), SIGKILL);
    process.waitForFinished(10000);
    return useconds_t(std::clamp<qint64>(elapsed, 40000, 4000000));
}

} // namespace

TEST(SaveDurability, KilledSaveLeavesOneWholeVersion)
{
    const QString saver = QCoreApplication::applicationDirPath() + QStringLiteral("/cubiform_picture_saver");
    constexpr int kKills = 40;
    for (const QString kind : {"jpg", "gif", "bmp"}) {
        SCOPED_TRACE(kind.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        // The two versions as this build writes them, and as they read back.
        QByteArray bytes[2];
        std::vector<TColor32> pixels[2];
        for (int v = 0; v < 2; ++v) {
            TBitmap32 picture, back;
            codectest::MakeSavedPicture(picture, v);
            const QString ref = dir.filePath(QStringLiteral("ref%1.%2").arg(v).arg(kind));
            SaveAs(kind, ref, picture);
            bytes[v] = FileBytes(ref);
            ASSERT_EQ(ReadImageFile(ref, back), TLoadResult::Loaded);
            pixels[v] = PixelsOf(back);
        }
        ASSERT_NE(bytes[0], bytes[1]);
        const QString target = dir.filePath(QStringLiteral("picture.") + kind);
        ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("ref0.") + kind), target));

        const useconds_t window = FourSavesMicroseconds(saver, target, kind);
        int seen[2] = {0, 0};
        QSet<qsizetype> savesBeforeKill;
        for (int i = 0; i < kKills; ++i) {
            QProcess process;
            process.start(saver, {target, kind});
            ASSERT_TRUE(process.waitForReadyRead(10000)) << process.errorString().toStdString();
            // Kill points spread over several saves' worth of time.
            ::usleep(useconds_t((std::uint64_t(i) * 7919 * 13) % window));
            ::kill(pid_t(process.processId()), SIGKILL);
            ASSERT_TRUE(process.waitForFinished(10000));
            ASSERT_EQ(process.exitStatus(), QProcess::CrashExit) << "the saver stopped by itself";
            savesBeforeKill.insert(process.readAllStandardOutput().count('\n'));

            const QByteArray now = FileBytes(target);
            const int version = now == bytes[0] ? 0 : now == bytes[1] ? 1 : -1;
            ASSERT_NE(version, -1) << "torn file after kill " << i << ": " << now.size() << " bytes";
            TBitmap32 back;
            ASSERT_EQ(ReadImageFile(target, back), TLoadResult::Loaded) << "kill " << i;
            ASSERT_TRUE(PixelsOf(back) == pixels[version]) << "kill " << i;
            ++seen[version];
        }
        // The kills must have come after different numbers of finished saves,
        // or they all hit the same moment.
        EXPECT_GT(seen[1], 0) << "no kill came after a finished save";
        EXPECT_GE(savesBeforeKill.size(), 3) << "the kill points were not spread over several saves";
    }
}
