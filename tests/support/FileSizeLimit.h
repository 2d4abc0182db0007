// A full disk without root: the work runs in a child process whose files may
// not grow past a few bytes (SIGXFSZ ignored, so the writes fail with EFBIG).
#pragma once

#include <QString>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `work` in a forked child limited to files of `limit` bytes and gives
// back the text it returned ("child died" when it did not end normally).
inline QString InChildWithFileSizeLimit(rlim_t limit, const std::function<QString()>& work)
{
    int fds[2];
    if (pipe(fds) != 0) return QStringLiteral("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small{};
        getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &small);
        const QByteArray said = work().toUtf8();
        (void)!write(fds[1], said.constData(), std::size_t(said.size()));
        _exit(0);
    }
    close(fds[1]);
    QByteArray said;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return QStringLiteral("child died");
    return QString::fromUtf8(said);
}
