#include "FaceCache.h"

#include "platform/MemoryBudget.h"
#include "resources/StringTable.h"

#include <QFile>

#include <sys/stat.h>

TFaceCache::TFaceCache(std::int64_t budget) : FBudget(budget) {}

TFaceCache::~TFaceCache()
{
    // The faces give their memory back under the lock, which is free here.
    FEntries.clear();
}

TFaceCache::TJobScope::TJobScope(TFaceCache& cache) : FCache(cache)
{
    const std::lock_guard lock(FCache.FMutex);
    ++FCache.FRunning;
}

TFaceCache::TJobScope::~TJobScope()
{
    const std::lock_guard lock(FCache.FMutex);
    --FCache.FRunning;
    FCache.FChanged.notify_all();
}

TFaceCache::TReservation::TReservation(TReservation&& other) noexcept : FCache(other.FCache), FBytes(other.FBytes)
{
    other.FCache = nullptr;
}

TFaceCache::TReservation& TFaceCache::TReservation::operator=(TReservation&& other) noexcept
{
    if (this != &other) {
        Release();
        FCache = other.FCache;
        FBytes = other.FBytes;
        other.FCache = nullptr;
    }
    return *this;
}

TFaceCache::TReservation::~TReservation() { Release(); }

void TFaceCache::TReservation::Release()
{
    if (!FCache) return;
    const std::lock_guard lock(FCache->FMutex);
    FCache->FUsed -= FBytes;
    --FCache->FHolders;
    FCache->FChanged.notify_all();
    FCache = nullptr;
}

void TFaceCache::ExpectUse(const QByteArray& localName)
{
    const std::lock_guard lock(FMutex);
    ++FUsesToCome[localName];
}

int TFaceCache::Decodes() const
{
    const std::lock_guard lock(FMutex);
    return FDecodes;
}

std::int64_t TFaceCache::UsedBytes() const
{
    const std::lock_guard lock(FMutex);
    return FUsed;
}

TFaceCache::TReservation TFaceCache::Reserve(std::int64_t bytes, const QString& what)
{
    std::vector<TFace> dropped; // outlives the lock: a face gives its memory back under it
    TLock lock(FMutex);
    Take(lock, bytes, what, dropped);
    ++FHolders;
    return TReservation(this, bytes);
}

void TFaceCache::Take(TLock& lock, std::int64_t bytes, const QString& what, std::vector<TFace>& dropped)
{
    for (;;) {
        if (bytes <= FBudget - FUsed) {
            FUsed += bytes;
            return;
        }
        if (DropOldestUnused(dropped)) {
            lock.unlock();
            dropped.clear();
            lock.lock();
            continue;
        }
        // Memory comes back from a reservation, or from a running job that
        // ends; when every other job waits too, none ever would.
        if (bytes <= FBudget && (FHolders > 0 || FRunning > FWaiting + 1)) {
            ++FWaiting;
            FChanged.wait(lock);
            --FWaiting;
            continue;
        }
        throw EMemoryBudgetError(what, bytes, FBudget);
    }
}

bool TFaceCache::DropOldestUnused(std::vector<TFace>& dropped)
{
    auto oldest = FEntries.end();
    for (auto it = FEntries.begin(); it != FEntries.end(); ++it) {
        // Only the cache holds it: dropping it frees its memory.
        const TEntry& e = it->second;
        if (e.Face && e.Face.use_count() == 1 && (oldest == FEntries.end() || e.LastUse < oldest->second.LastUse))
            oldest = it;
    }
    if (oldest == FEntries.end()) return false;
    FCachedBytes -= membudget::PictureBytes(oldest->second.Face->Width(), oldest->second.Face->Height());
    dropped.push_back(std::move(oldest->second.Face));
    FEntries.erase(oldest);
    return true;
}

void TFaceCache::Give(std::int64_t bytes)
{
    const std::lock_guard lock(FMutex);
    FUsed -= bytes;
    FChanged.notify_all();
}

TFaceCache::TLoad TFaceCache::Get(const QByteArray& localName)
{
    struct stat info {};
    if (::stat(localName.constData(), &info) != 0 || !S_ISREG(info.st_mode)) return Decode(localName); // its reason
    const TFileStamp stamp{std::int64_t(info.st_dev), std::int64_t(info.st_ino), std::int64_t(info.st_size),
                           std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                           std::int64_t(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};

    std::vector<TFace> dropped;
    TLock lock(FMutex);
    const auto uses = FUsesToCome.find(localName);
    if (uses != FUsesToCome.end() && uses->second > 0) --uses->second;
    const bool keep = uses == FUsesToCome.end() || uses->second > 0;
    auto forget = [&](std::map<QByteArray, TEntry>::iterator it) {
        if (it->second.Face) FCachedBytes -= membudget::PictureBytes(it->second.Face->Width(), it->second.Face->Height());
        dropped.push_back(std::move(it->second.Face));
        FEntries.erase(it);
    };
    for (auto it = FEntries.find(localName); it != FEntries.end(); it = FEntries.find(localName)) {
        TEntry& entry = it->second;
        if (!(entry.Stamp == stamp)) {
            // Another version is being read: this one is read on its own.
            if (entry.Loading) {
                lock.unlock();
                return Decode(localName);
            }
            forget(it);
            break;
        }
        if (entry.Loading) {
            // A waiting reader gives no memory back: counted as waiting.
            ++FWaiting;
            FChanged.wait(lock);
            --FWaiting;
            continue;
        }
        entry.LastUse = ++FClock;
        TLoad load{entry.Face, TLoadResult::Loaded, {}};
        if (!keep) forget(it);
        return load;
    }

    // The first reader decodes it; the others wait for the face. A failed
    // load is not kept: each reader then tries for itself.
    FEntries[localName] = TEntry{stamp, nullptr, true, TLoadResult::Loaded, {}, 0};
    lock.unlock();
    TLoad load = Decode(localName);
    lock.lock();
    const auto it = FEntries.find(localName);
    if (load.Face && keep) {
        it->second.Face = load.Face;
        it->second.Loading = false;
        it->second.LastUse = ++FClock;
        FCachedBytes += membudget::PictureBytes(load.Face->Width(), load.Face->Height());
        while (FCachedBytes > FBudget / 2 && DropOldestUnused(dropped)) {
        }
    } else {
        FEntries.erase(it);
    }
    FChanged.notify_all();
    return load;
}

TFaceCache::TLoad TFaceCache::Decode(const QByteArray& localName)
{
    // The load's memory is reserved once its header gives the size.
    TReservation loading;
    QString refusal;
    const TAdmitHeader admit = [&](const TImageHeader& header) {
        try {
            const QString what = LoadStr(StrId::MemoryFilePicture)
                                     .arg(QFile::decodeName(localName), membudget::PictureSizeText(header.Width, header.Height));
            loading = Reserve(ImageLoadNeed(header), what);
            return true;
        } catch (const EMemoryBudgetError& e) {
            refusal = e.Message();
            return false;
        }
    };
    auto face = std::make_unique<TBitmap32>();
    QString why;
    const TLoadResult result = ReadImageFile(localName, *face, TTransparency::OnWhite, admit, &why);
    if (result != TLoadResult::Loaded) return TLoad{nullptr, result, refusal.isEmpty() ? why : refusal};

    // The face's own memory stays taken for as long as any job or the cache
    // holds it; the rest of the load's goes back.
    const std::int64_t bytes = membudget::PictureBytes(face->Width(), face->Height());
    {
        const std::lock_guard lock(FMutex);
        FUsed += bytes;
        ++FDecodes;
    }
    loading = TReservation();
    return TLoad{TFace(face.release(), [this, bytes](const TBitmap32* f) {
                     delete f;
                     Give(bytes);
                 }),
                 TLoadResult::Loaded, {}};
}
