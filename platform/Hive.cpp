#include "platform/Hive.h"

#include "platform/RegFileFormat.h"
#include "platform/RegistryError.h"
#include "platform/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings file this large is not ours: it is set aside rather than read.
constexpr long long kMaxFileSize = 64ll << 20;

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// Follows symbolic links to the file they finally name, which may not exist
// yet: a settings file kept elsewhere (by a dotfile manager) is written in
// place there and the link stays.
QString ResolveLinks(QString path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(Native(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        QByteArray target(4096, '\0');
        const ssize_t n = ::readlink(Native(path).constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size()) return path;
        target.truncate(n);
        path = QFileInfo(QFileInfo(path).absolutePath(), QFile::decodeName(target)).absoluteFilePath();
        path = QDir::cleanPath(path);
    }
    return path;
}

// A FIFO would block the program on opening it, and a device or directory
// would be destroyed by renaming a file over it; only a regular file (or none)
// holds settings.
bool IsOtherThanRegularFile(const QString& path)
{
    struct stat st {};
    if (::lstat(Native(path).constData(), &st) != 0) return false;
    return !S_ISREG(st.st_mode);
}

} // namespace

// Advisory lock on "<file>.lock", held while the file is read or replaced.
// The lock file stays: replacing the settings file itself would defeat a lock on it.
class THive::TFileLock {
public:
    explicit TFileLock(const QString& hivePath)
    {
        QDir().mkpath(QFileInfo(hivePath).absolutePath());
        FFd = ::open(Native(hivePath + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FFd < 0) {
            FError = errno;
            return;
        }
        while (::flock(FFd, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            FError = errno;
            ::close(FFd);
            FFd = -1;
            return;
        }
    }
    ~TFileLock()
    {
        if (FFd >= 0) ::close(FFd);  // closing releases the lock
    }
    bool Locked() const { return FFd >= 0; }
    int Error() const { return FError; }

private:
    int FFd = -1;
    int FError = 0;
};

QString THive::DefaultPath()
{
    const QString explicitPath = qEnvironmentVariable("CUBIFORM_HIVE");
    if (!explicitPath.isEmpty()) return explicitPath;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/cubiform/user.reg");
}

THive& THive::Default()
{
    return ForPath(DefaultPath());
}

THive& THive::ForPath(const QString& path)
{
    static std::mutex mutex;
    static std::map<QString, std::unique_ptr<THive>> hives;
    const QString absolute = ResolveLinks(QFileInfo(path).absoluteFilePath());
    std::lock_guard guard(mutex);
    auto& hive = hives[absolute];
    if (!hive) hive = std::make_unique<THive>(absolute);
    return *hive;
}

THive::THive(QString path)
    // Replacing a symbolic link would cut it off from the file it points to.
    : FPath(path.isEmpty() ? path : ResolveLinks(QFileInfo(path).absoluteFilePath())),
      FRoots(std::make_unique<THiveKey>())
{
}

bool THive::RefuseIfNotRegular()
{
    if (FPath.isEmpty() || !IsOtherThanRegularFile(FPath)) return FUnusable;
    MarkUnusable();
    return true;
}

void THive::MarkUnusable()
{
    FLoaded = true;
    FJournal.clear();
    if (FUnusable) return;
    FUnusable = true;
    FUnusableNotice = FormatStr(StrId::HiveNotRegularFile, FPath);
    qWarning("%s", qUtf8Printable(FUnusableNotice));
}

QString THive::TakeUnusableFileNotice()
{
    std::lock_guard guard(FMutex);
    return std::exchange(FUnusableNotice, QString());
}

THive::TStamp THive::StampOf(const struct stat& st)
{
    TStamp stamp;
    stamp.Exists = true;
    stamp.Device = st.st_dev;
    stamp.Inode = st.st_ino;
    stamp.Size = st.st_size;
    stamp.MTimeSec = st.st_mtim.tv_sec;
    stamp.MTimeNsec = st.st_mtim.tv_nsec;
    return stamp;
}

THive::TStamp THive::StampOnDisk() const
{
    struct stat st {};
    if (::stat(Native(FPath).constData(), &st) != 0) return TStamp{};
    return StampOf(st);
}

void THive::Refresh()
{
    std::lock_guard guard(FMutex);
    if (FPath.isEmpty()) FLoaded = true;
    if (FUnusable || (FLoaded && (FPath.isEmpty() || StampOnDisk() == FStamp))) return;
    // Checked before the lock file is made beside it.
    if (RefuseIfNotRegular()) return;
    // The file is only ever replaced whole, so reading works without the lock;
    // the lock is needed to set a damaged file aside and repair it.
    TFileLock lock(FPath);
    LoadLocked(lock.Locked());
    Replay();
}

THive::TFileRead THive::ReadFile() const
{
    TFileRead read;
    // Never waits for a writer: the file may have become a FIFO since it was looked at.
    const int fd = ::open(Native(FPath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT) RaiseRegistryError(StrId::HiveReadFailed, FPath + QStringLiteral(": ") + ErrnoText(errno));
        return read;
    }
    struct stat st {};
    ::fstat(fd, &st);
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        read.NotRegular = true;
        return read;
    }
    read.Stamp = StampOf(st);
    if (read.Stamp.Size > kMaxFileSize) {
        read.TooLarge = true;
        ::close(fd);
        return read;
    }
    read.Bytes.resize(qsizetype(read.Stamp.Size));
    qsizetype got = 0;
    while (got < read.Bytes.size()) {
        const ssize_t n = ::read(fd, read.Bytes.data() + got, size_t(read.Bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            RaiseRegistryError(StrId::HiveReadFailed, FPath + QStringLiteral(": ") + ErrnoText(error));
        }
        if (n == 0) break;
        got += n;
    }
    read.Bytes.truncate(got);
    struct stat after {};
    ::fstat(fd, &after);
    ::close(fd);
    // Another program writing the file in place changes its size or time
    // under the read; one replacing it changes the file at the path.
    read.Torn = got != read.Stamp.Size || !(StampOf(after) == read.Stamp);
    return read;
}

void THive::LoadLocked(bool mayRepair)
{
    ++FGeneration;
    // A file that changed while it was read is read again, and damage is only
    // believed once the file has stood still for a moment.
    constexpr int kReads = 5;
    TFileRead read;
    TRegParseResult parsed;
    for (int attempt = 0; attempt < kReads; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
        read = ReadFile();
        if (read.NotRegular) {
            MarkUnusable();
            return;
        }
        if (FAfterRead) FAfterRead(attempt);
        const bool last = attempt + 1 == kReads;
        if (!read.Stamp.Exists) break;
        if ((read.Torn || !(StampOnDisk() == read.Stamp)) && !last) continue;
        if (read.TooLarge) break;
        parsed = ParseRegFile(read.Bytes);
        if (parsed.Skipped.isEmpty() || last) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (StampOnDisk() == read.Stamp) break;
    }
    FLoaded = true;
    FStamp = read.Stamp;
    FRoots = std::make_unique<THiveKey>();
    if (!read.Stamp.Exists) return;

    QString damage;
    if (read.TooLarge) {
        damage = QStringLiteral("the file is too large");
    } else {
        // Text can grow when written back (a byte of the old code page becomes
        // two or three in UTF-8); a store that could never be saved is refused.
        if (read.Bytes.size() > kMaxFileSize / 8 && SerializeRegFile(*parsed.Roots).size() > kMaxFileSize)
            damage = QStringLiteral("the settings would not fit in %1 MiB when written back").arg(kMaxFileSize >> 20);
        else
            FRoots = std::move(parsed.Roots);
        if (damage.isEmpty() && !parsed.Skipped.isEmpty()) damage = parsed.Skipped.join(QStringLiteral("; "));
    }
    if (damage.isEmpty() || !SetAsideLocked(damage)) return;
    // Put what was read in its place, so that the next start (or another
    // program) finds it; the damaged file stays beside it.
    if (!mayRepair || !FRoots->HasSubKeys()) return;
    try {
        WriteLocked();
    } catch (const ERegistryException& e) {
        // Kept in memory; the next commit writes it.
        qWarning("%s", qUtf8Printable(e.Message()));
    }
}

QString THive::SetAsideName() const
{
    const QString base = FPath + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 1; QFileInfo::exists(target); ++n) target = base + QLatin1Char('-') + QString::number(n);
    return target;
}

bool THive::KeepDamagedCopy(const QString& reason)
{
    std::lock_guard guard(FMutex);
    if (FPath.isEmpty() || FUnusable) return false;
    TFileLock lock(FPath);
    if (!lock.Locked()) return false;
    TFileRead read;
    try {
        read = ReadFile();
    } catch (const ERegistryException&) {
        return false;
    }
    if (!read.Stamp.Exists || read.NotRegular || read.TooLarge) return false;
    const QString target = SetAsideName();
    const QByteArray nativeTarget = Native(target);
    const int fd = ::open(nativeTarget.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const int error = WriteAllBytes(fd, read.Bytes.constData(), std::size_t(read.Bytes.size()));
    if (SyncAndClose(fd) != 0 || error != 0) {
        ::unlink(nativeTarget.constData());
        return false;
    }
    FSetAsideCopies.append(target);
    qWarning("%s (%s)", qUtf8Printable(FormatStr(StrId::HiveSetAside, target)), qUtf8Printable(reason));
    return true;
}

bool THive::SetAsideLocked(const QString& reason)
{
    const QString target = SetAsideName();
    if (::rename(Native(FPath).constData(), Native(target).constData()) == 0) {
        FStamp = TStamp{};
        FSetAsideCopies.append(target);
        qWarning("%s (%s)", qUtf8Printable(FormatStr(StrId::HiveSetAside, target)), qUtf8Printable(reason));
        return true;
    }
    // Left in place; the stamp keeps it from being parsed again until it changes.
    qWarning("%s: %s", qUtf8Printable(FPath), qUtf8Printable(reason));
    return false;
}

QStringList THive::TakeSetAsideCopies()
{
    std::lock_guard guard(FMutex);
    return std::exchange(FSetAsideCopies, QStringList());
}

void THive::Replay()
{
    ++FGeneration;
    for (const TChange& c : FJournal) {
        THiveKey* user = UserRoot();
        switch (c.Op) {
        case TChange::Create:
            user->FindOrCreate(c.Path);
            break;
        case TChange::Delete:
            if (THiveKey* parent = user->Find(c.Path.mid(0, c.Path.size() - 1)))
                parent->RemoveSubKey(c.Path.last());
            break;
        case TChange::Set:
            user->FindOrCreate(c.Path)->SetValue(c.Value);
            break;
        case TChange::Unset:
            if (THiveKey* key = user->Find(c.Path)) key->RemoveValue(c.Value.Name);
            break;
        }
    }
}

void THive::Commit()
{
    std::lock_guard guard(FMutex);
    if (FPath.isEmpty()) FJournal.clear();
    if (FJournal.empty()) return;
    // Such a store runs on what it holds in memory and writes nothing.
    if (FUnusable || RefuseIfNotRegular()) {
        FJournal.clear();
        return;
    }
    TFileLock lock(FPath);
    if (!lock.Locked()) RaiseRegistryError(StrId::HiveWriteFailed, FPath + QStringLiteral(": ") + ErrnoText(lock.Error()));
    if (!FLoaded || StampOnDisk() != FStamp) {
        LoadLocked();
        Replay();
    }
    WriteLocked();
    FJournal.clear();
}

void THive::WriteLocked()
{
    const QByteArray data = SerializeRegFile(*FRoots);
    // A file the next start would refuse to read must not replace a good one.
    if (data.size() > kMaxFileSize)
        RaiseRegistryError(StrId::HiveWriteFailed, FPath + QStringLiteral(": the settings would exceed %1 MiB").arg(kMaxFileSize >> 20));
    const QString temp = FPath + QStringLiteral(".tmp");
    const QByteArray nativeTemp = Native(temp);
    auto fail = [&](int error) {
        ::unlink(nativeTemp.constData());
        RaiseRegistryError(StrId::HiveWriteFailed, FPath + QStringLiteral(": ") + ErrnoText(error));
    };
    // Only one writer holds the lock, so a fixed temporary name is safe; a
    // leftover from a crash is removed first, and whatever else stands there
    // (a link, a FIFO) is neither followed nor waited for.
    ::unlink(nativeTemp.constData());
    const int fd = ::open(nativeTemp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) fail(errno);
    // Every write, the sync and the close are checked: a full disk shows in
    // any of them, and the old file is replaced only by a complete new one.
    const int writeError = WriteAllBytes(fd, data.constData(), std::size_t(data.size()));
    const int syncError = SyncAndClose(fd);
    if (writeError || syncError) fail(writeError ? writeError : syncError);
    try {
        if (FBeforeRename) FBeforeRename(temp);
    } catch (...) {
        ::unlink(nativeTemp.constData());
        throw;
    }
    if (IsOtherThanRegularFile(FPath)) {
        ::unlink(nativeTemp.constData());
        MarkUnusable();
        RaiseRegistryError(StrId::HiveWriteFailed, FPath + QStringLiteral(": ") + LoadStr(StrId::HiveNotRegularReason));
    }
    if (::rename(nativeTemp.constData(), Native(FPath).constData()) != 0) fail(errno);
    // Make the rename itself durable.
    const int dir = ::open(Native(QFileInfo(FPath).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    FStamp = StampOnDisk();
}

THiveKey* THive::UserRoot()
{
    return FRoots->AddSubKey(QLatin1String(kCurrentUserRoot));
}

THiveKey* THive::Find(const QStringList& path)
{
    std::lock_guard guard(FMutex);
    if (!FLoaded) Refresh();
    return UserRoot()->Find(path);
}

THiveKey* THive::CreateKey(const QStringList& path)
{
    std::lock_guard guard(FMutex);
    if (!FLoaded) Refresh();
    if (THiveKey* existing = UserRoot()->Find(path)) return existing;
    FJournal.push_back({TChange::Create, path, {}});
    return UserRoot()->FindOrCreate(path);
}

bool THive::DeleteKey(const QStringList& path)
{
    std::lock_guard guard(FMutex);
    if (!FLoaded) Refresh();
    if (path.isEmpty()) return false;
    THiveKey* parent = UserRoot()->Find(path.mid(0, path.size() - 1));
    if (!parent || !parent->RemoveSubKey(path.last())) return false;
    ++FGeneration;
    FJournal.push_back({TChange::Delete, path, {}});
    return true;
}

void THive::SetValue(const QStringList& path, THiveValue value, THiveKey* key)
{
    std::lock_guard guard(FMutex);
    if (!FLoaded) Refresh();
    (key ? key : UserRoot()->FindOrCreate(path))->SetValue(value);
    FJournal.push_back({TChange::Set, path, std::move(value)});
}

bool THive::DeleteValue(const QStringList& path, const QString& name)
{
    std::lock_guard guard(FMutex);
    if (!FLoaded) Refresh();
    THiveKey* key = UserRoot()->Find(path);
    if (!key || !key->RemoveValue(name)) return false;
    THiveValue v;
    v.Name = name;
    FJournal.push_back({TChange::Unset, path, std::move(v)});
    return true;
}
