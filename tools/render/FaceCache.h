// The memory the jobs of a batch share: the face pictures they decode, kept
// for the jobs that use the same file, and each job's working memory, all
// within one budget (platform/MemoryBudget.h).
//
// A face is decoded once while it stays cached and its file stays the same:
// a file whose size, time stamp or inode changed is read again. Cached faces
// that no job holds are given up, oldest first, when a job needs the room,
// when the cache passes half the budget, and as soon as no job to come has
// announced a use of them.
//
// A job that would go over the budget waits while another job can still
// give memory back; when none can, it fails with the memory message.
#pragma once

#include "codecs/ImageFiles.h"
#include "imaging/Bitmap32.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class TFaceCache {
public:
    explicit TFaceCache(std::int64_t budget);
    ~TFaceCache();
    TFaceCache(const TFaceCache&) = delete;
    TFaceCache& operator=(const TFaceCache&) = delete;

    using TFace = std::shared_ptr<const TBitmap32>;

    // A job counts as running from Begin to the end of the returned scope:
    // a job short of memory waits only while another runs and is not
    // waiting itself. Get and Reserve are called inside a scope.
    class TJobScope {
    public:
        explicit TJobScope(TFaceCache& cache);
        ~TJobScope();
        TJobScope(const TJobScope&) = delete;
        TJobScope& operator=(const TJobScope&) = delete;

    private:
        TFaceCache& FCache;
    };

    // Memory taken from the budget until the object goes.
    class TReservation {
    public:
        TReservation() = default;
        TReservation(TReservation&& other) noexcept;
        TReservation& operator=(TReservation&& other) noexcept;
        ~TReservation();

    private:
        friend class TFaceCache;
        TReservation(TFaceCache* cache, std::int64_t bytes) : FCache(cache), FBytes(bytes) {}
        void Release();
        TFaceCache* FCache = nullptr;
        std::int64_t FBytes = 0;
    };

    // Announces that a job to come reads the file (by its name as the
    // system's bytes).
    void ExpectUse(const QByteArray& localName);

    struct TLoad {
        TFace Face; // null when the load failed
        TLoadResult Result = TLoadResult::Loaded;
        QString Why; // the memory message of a TooLarge load
    };
    // The face in the file as it is now, its see-through pixels on white.
    TLoad Get(const QByteArray& localName);

    // `bytes` of working memory for the calling job; raises
    // EMemoryBudgetError naming `what` when they can never be had.
    TReservation Reserve(std::int64_t bytes, const QString& what);

    std::int64_t Budget() const { return FBudget; }
    // Files decoded so far, and the bytes held now (faces and reservations).
    int Decodes() const;
    std::int64_t UsedBytes() const;

private:
    struct TFileStamp {
        std::int64_t Device = 0, Inode = 0, Size = 0, ModifiedNs = 0, ChangedNs = 0;
        bool operator==(const TFileStamp&) const = default;
    };
    struct TEntry {
        TFileStamp Stamp;
        TFace Face;           // null while the first reader decodes it
        bool Loading = false;
        TLoadResult Result = TLoadResult::Loaded;
        QString Why;
        std::uint64_t LastUse = 0;
    };
    using TLock = std::unique_lock<std::mutex>;

    TLoad Decode(const QByteArray& localName);
    void Take(TLock& lock, std::int64_t bytes, const QString& what, std::vector<TFace>& dropped);
    bool DropOldestUnused(std::vector<TFace>& dropped);
    void Give(std::int64_t bytes);
    TFace Adopt(std::unique_ptr<TBitmap32> face);

    const std::int64_t FBudget;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::int64_t FUsed = 0, FCachedBytes = 0;
    int FRunning = 0, FWaiting = 0, FHolders = 0, FDecodes = 0;
    std::uint64_t FClock = 0;
    std::map<QByteArray, TEntry> FEntries;
    std::map<QByteArray, int> FUsesToCome;
};
