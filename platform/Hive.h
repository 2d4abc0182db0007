// The per-user settings store held in one file, shared safely between
// processes.
//
// Changes are applied to the in-memory tree at once and remembered in a
// journal. Commit() takes an advisory lock, reads the file again if another
// process replaced it, replays the journal onto that content, writes a
// temporary file, syncs it and renames it into place. A crash therefore leaves
// either the old or the new file, and concurrent writers keep each other's
// values. A file caught while another program writes it is read again. What
// cannot be read of a damaged file is left out: the file as it was is set
// aside with a ".damaged-<time>" suffix and what was read is written back in
// its place.
#pragma once

#include "platform/HiveTree.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct stat;

class THive {
public:
    // The store of the current user: $CUBIFORM_HIVE when set, otherwise
    // $XDG_CONFIG_HOME (default ~/.config) followed by "/cubiform/user.reg".
    static THive& Default();
    static QString DefaultPath();
    // One store object per file in a process.
    static THive& ForPath(const QString& path);

    // An empty path makes a store that lives in memory only.
    explicit THive(QString path);
    THive(const THive&) = delete;
    THive& operator=(const THive&) = delete;

    const QString& Path() const { return FPath; }
    std::recursive_mutex& Mutex() { return FMutex; }

    // Reads the file again when another process has replaced it since it was
    // last read; pending changes are replayed on top. Raises on read errors.
    void Refresh();
    // Writes pending changes to the file. Raises on I/O errors, keeping the
    // changes pending.
    void Commit();
    bool HasPendingChanges() const { return !FJournal.empty(); }
    // Changes whenever keys may have been freed (a reload or a deletion), so
    // that a handle knows when a key it found before must be found again.
    std::uint64_t Generation() const { return FGeneration; }

    // The HKEY_CURRENT_USER key; paths below are relative to it.
    THiveKey* Find(const QStringList& path);
    THiveKey* CreateKey(const QStringList& path);
    bool DeleteKey(const QStringList& path);
    // key, when given, is the key at path, found by the caller.
    void SetValue(const QStringList& path, THiveValue value, THiveKey* key = nullptr);
    bool DeleteValue(const QStringList& path, const QString& name);

    // The copies of damaged files set aside since the last call, so that the
    // program can tell the user once.
    QStringList TakeSetAsideCopies();
    // A settings file that is not a regular file (a FIFO, a device, a
    // directory) is never opened for long nor replaced: the store runs on
    // defaults and writes nothing for the rest of the run. The text telling
    // the user so, once; empty otherwise.
    QString TakeUnusableFileNotice();
    // Keeps a copy of the file as it stands beside it, named as a damaged
    // file set aside, before entries the program cannot use are taken out of
    // it; the user is told as of a damaged file. False when no copy was made.
    bool KeepDamagedCopy(const QString& reason);
    bool IsUnusable() const { return FUnusable; }

    // Fault injection for crash tests: called after the temporary file is
    // written and before it is renamed into place.
    void SetBeforeRenameHook(std::function<void(const QString& tempPath)> hook) { FBeforeRename = std::move(hook); }
    // For tests of a file changing while it is read: called after each read of
    // the file (attempt counts from 0) and before the read is judged.
    void SetAfterReadHook(std::function<void(int attempt)> hook) { FAfterRead = std::move(hook); }

private:
    struct TStamp {
        bool Exists = false;
        unsigned long long Device = 0, Inode = 0;
        long long Size = 0, MTimeSec = 0, MTimeNsec = 0;
        friend bool operator==(const TStamp&, const TStamp&) = default;
    };
    struct TChange {
        enum Kind { Create, Delete, Set, Unset } Op;
        QStringList Path;
        THiveValue Value;  // for Set; Value.Name also names the value to unset
    };
    class TFileLock;

    struct TFileRead {
        TStamp Stamp;         // before the read; Exists false when there is no file
        bool TooLarge = false;
        bool Torn = false;    // the file changed while it was read
        bool NotRegular = false;
        QByteArray Bytes;
    };

    static TStamp StampOf(const struct stat& st);
    TStamp StampOnDisk() const;
    TFileRead ReadFile() const;
    // Caller holds the file lock; mayRepair when it really holds it.
    void LoadLocked(bool mayRepair = true);
    // True when the file was moved aside.
    bool SetAsideLocked(const QString& reason);
    QString SetAsideName() const;
    void Replay();
    void WriteLocked();
    // True (and the store made memory-only) when the path names something
    // other than a regular file.
    bool RefuseIfNotRegular();
    void MarkUnusable();
    THiveKey* UserRoot();

    QString FPath;
    std::recursive_mutex FMutex;
    std::unique_ptr<THiveKey> FRoots;
    TStamp FStamp;
    bool FLoaded = false;
    std::uint64_t FGeneration = 0;
    std::vector<TChange> FJournal;
    std::function<void(const QString&)> FBeforeRename;
    std::function<void(int)> FAfterRead;
    QStringList FSetAsideCopies;
    bool FUnusable = false;
    QString FUnusableNotice;
};
