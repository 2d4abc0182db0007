#include "platform/SafeFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

int CloseChecked(int fd)
{
    // Linux closes the descriptor even when close reports an error; EINTR
    // must not be retried.
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

} // namespace

int WriteAllBytes(int fd, const void* bytes, std::size_t size)
{
    const char* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        data += n;
        size -= std::size_t(n);
    }
    return 0;
}

int SyncAndClose(int fd)
{
    int error = 0;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        error = errno;
        break;
    }
    const int closeError = CloseChecked(fd);
    return error ? error : closeError;
}

namespace {

// A new, exclusively created file beside the target; -1 with errno set.
int CreateTemporary(const std::string& target, std::string& name)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1);
    if (base.size() > 200) base.resize(200); // room for the suffix within NAME_MAX
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    unsigned long seed = (unsigned long)now.tv_nsec ^ ((unsigned long)::getpid() << 16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        seed = seed * 6364136223846793005ul + 1442695040888963407ul;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08lx.tmp", (seed >> 24) & 0xFFFFFFFFul);
        name = folder + "." + base + suffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

int WriteWholeFile(const char* path, const void* data, std::size_t size)
{
    std::string target = path;
    struct stat old {};
    bool exists = false;
    if (::lstat(path, &old) == 0) {
        if (S_ISLNK(old.st_mode)) {
            // Written beside the link's target, so the link stays.
            char* resolved = ::realpath(path, nullptr);
            if (resolved) {
                target = resolved;
                std::free(resolved);
                exists = ::stat(target.c_str(), &old) == 0;
            }
            // A dangling link: rename replaces the link with the new file.
        } else {
            exists = true;
        }
    } else if (errno != ENOENT) {
        return errno;
    }
    if (exists && !S_ISREG(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EEXIST;

    std::string temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) return errno;
    int error = 0;
    if (exists) {
        // Keep the old file's permissions; the owner when we may (as root).
        if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
        if (!error && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
            (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    if (!error) error = WriteAllBytes(fd, data, size);
    const int syncError = SyncAndClose(fd);
    if (!error) error = syncError;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error) ::unlink(temporary.c_str());
    return error;
}
