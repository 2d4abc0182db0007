// Writing a whole file so that it is either complete on disk or not there:
// the bytes go to a temporary file in the target's folder, every write, the
// fsync and the close are checked, and only then is it renamed over the
// target. On any failure the temporary is removed and the old file is left
// as it was. Plain POSIX, no Qt, so any writer of the program can use it.
#pragma once

#include <cstddef>

// 0 when the file is written, else the errno value of the step that failed
// (ENOSPC on a full disk, EFBIG past the process's file size limit, ...).
// A target that exists and is not a regular file is never replaced (EISDIR
// for a folder, EEXIST otherwise). A symbolic link to a regular file keeps
// being a link: its target is written. A new file gets 0666 less the umask,
// an existing one keeps its permission bits.
int WriteWholeFile(const char* path, const void* data, std::size_t size);

// The steps of it for writers that manage their own temporary file (the
// settings store, which writes under its lock). Each gives 0 or an errno.
// Every byte written, retrying after a signal.
int WriteAllBytes(int fd, const void* data, std::size_t size);
// fsync then close; the descriptor is closed either way.
int SyncAndClose(int fd);
