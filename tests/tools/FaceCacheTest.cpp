// The faces and the memory the jobs of a batch share.
#include "tools/render/FaceCache.h"

#include "codecs/ImageFiles.h"
#include "platform/MemoryBudget.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr std::int64_t kMB = std::int64_t(1) << 20;

class FaceCacheTest : public ::testing::Test {
protected:
    // A 100 x 100 bitmap of one colour.
    QByteArray Face(const char* name, TColor32 color)
    {
        TBitmap32 picture;
        picture.SetSize(100, 100);
        picture.Clear(color);
        const QString path = FDir.filePath(name);
        SaveAsBitmap(path, picture);
        return QFile::encodeName(path);
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(FaceCacheTest, JobsShareADecodedFaceAndAChangedFileIsReadAgain)
{
    const QByteArray red = Face("face.bmp", 0xFFFF0000u);
    TFaceCache cache(64 * kMB);
    {
        const TFaceCache::TJobScope job(cache);
        const TFaceCache::TFace first = cache.Get(red).Face;
        ASSERT_TRUE(first);
        EXPECT_EQ(first->PixelAt(5, 5), 0xFFFF0000u);
        EXPECT_EQ(cache.Get(red).Face, first);
    }
    // Jobs on four threads at once get the one decoded face.
    std::vector<std::thread> threads;
    std::atomic<int> same{0};
    const TFaceCache::TFace held = cache.Get(red).Face;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            const TFaceCache::TJobScope job(cache);
            if (cache.Get(red).Face == held) ++same;
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(same, 4);
    EXPECT_EQ(cache.Decodes(), 1);

    // Written again between two jobs, with the same size and time stamp.
    struct stat before {};
    ASSERT_EQ(::stat(red.constData(), &before), 0);
    Face("face.bmp", 0xFF0000FFu);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, red.constData(), times, 0), 0);
    const TFaceCache::TFace blue = cache.Get(red).Face;
    ASSERT_TRUE(blue);
    EXPECT_EQ(blue->PixelAt(5, 5), 0xFF0000FFu);
    EXPECT_EQ(cache.Decodes(), 2);
    EXPECT_EQ(held->PixelAt(5, 5), 0xFFFF0000u); // a job holding the old face keeps it

    // A face no job to come uses is not kept.
    const QByteArray once = Face("once.bmp", 0xFF00FF00u);
    cache.ExpectUse(once);
    ASSERT_TRUE(cache.Get(once).Face);
    ASSERT_TRUE(cache.Get(once).Face);
    EXPECT_EQ(cache.Decodes(), 4);

    // A failed load says why, as a single render would.
    EXPECT_EQ(cache.Get(QFile::encodeName(FDir.filePath("none.bmp"))).Result, TLoadResult::NoSuchFile);
}

TEST_F(FaceCacheTest, FacesAndJobsStayWithinTheBudget)
{
    const std::int64_t faceBytes = membudget::PictureBytes(100, 100);
    const QByteArray a = Face("a.bmp", 0xFF102030u), b = Face("b.bmp", 0xFF405060u);
    TFaceCache cache(kMB);
    const TFaceCache::TJobScope job(cache);
    {
        const TFaceCache::TFace face = cache.Get(a).Face;
        EXPECT_EQ(cache.UsedBytes(), faceBytes);
        // More than the whole budget never fits: the memory message.
        try {
            cache.Reserve(2 * kMB, "a picture of 1000 \u00d7 1000 pixels");
            ADD_FAILURE() << "reserved more than the budget";
        } catch (const EMemoryBudgetError& e) {
            EXPECT_TRUE(e.Message().contains("1000 \u00d7 1000 pixels would need 2.0 MB")) << e.Message().toStdString();
        }
        // A face a job holds is not given up for room.
        EXPECT_THROW(cache.Reserve(kMB - faceBytes + 1, "x"), EMemoryBudgetError);
    }
    // Cached faces no job holds are.
    ASSERT_TRUE(cache.Get(b).Face);
    {
        const TFaceCache::TReservation all = cache.Reserve(kMB, "x");
        EXPECT_EQ(cache.UsedBytes(), kMB);
    }
    EXPECT_EQ(cache.UsedBytes(), 0);

    // A job short of memory waits for another's to come back.
    TFaceCache::TReservation first = cache.Reserve(kMB / 2 + 1, "x");
    std::atomic<bool> reserved{false};
    std::thread second([&] {
        const TFaceCache::TJobScope other(cache);
        const TFaceCache::TReservation half = cache.Reserve(kMB / 2, "x");
        reserved = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(reserved);
    first = TFaceCache::TReservation();
    second.join();
    EXPECT_TRUE(reserved);
}
