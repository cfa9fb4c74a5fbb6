#include "tests/support/ChildProcess.h"

#include "platform/dialogs/TolvexError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tolvex::test {

namespace {

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

ChildResult collect(pid_t pid, int readEnd)
{
    ChildResult result;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(readEnd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.output.append(buffer, n);
    }
    ::close(readEnd);
    int status = 0;
    rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.peakMemoryKb = usage.ru_maxrss;
    return result;
}

// Runs runChild(writeEnd) in a forked child, which must not return, and
// collects what it writes to the pipe.
template <typename RunChild>
ChildResult forkCollecting(RunChild&& runChild)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid < 0)
        return {};
    if (pid == 0) {
        ::close(fds[0]);
        runChild(fds[1]);
    }
    ::close(fds[1]);
    return collect(pid, fds[0]);
}

} // namespace

ChildResult inChild(const std::function<QByteArray()>& action, rlim_t fileSizeLimit)
{
    return forkCollecting([&](int writeEnd) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QByteArray output;
        try {
            output = action();
        } catch (const TolvexError& e) {
            output = "error: " + e.message().toUtf8();
        }
        writeAll(writeEnd, output);
        // No exit handlers: they belong to the parent's test run.
        ::_exit(0);
    });
}

ChildResult runProgram(const QString& program, const QStringList& arguments, Streams streams)
{
    std::vector<QByteArray> encoded{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (streams == Streams::OutputAndErrors)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed != 0) {
        ::close(fds[0]);
        return {};
    }
    return collect(pid, fds[0]);
}

} // namespace tolvex::test
