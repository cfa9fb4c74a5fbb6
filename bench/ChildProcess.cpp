#include "bench/ChildProcess.h"

#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace tolvex::bench {

namespace {

class Pipe {
public:
    Pipe() { m_ok = ::pipe2(m_fds, O_CLOEXEC) == 0; }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] int readEnd() const { return m_fds[0]; }
    [[nodiscard]] int writeEnd() const { return m_fds[1]; }
    void closeRead() { closeFd(m_fds[0]); }
    void closeWrite() { closeFd(m_fds[1]); }

private:
    static void closeFd(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int m_fds[2] = {-1, -1};
    bool m_ok = false;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    [[nodiscard]] posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

ChildResult runChild(const QStringList& arguments)
{
    std::vector<QByteArray> encoded;
    encoded.reserve(size_t(arguments.size()));
    for (const QString& argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    Pipe output;
    if (!output.ok())
        return {};
    pid_t pid = 0;
    {
        SpawnActions actions;
        posix_spawn_file_actions_adddup2(actions.get(), output.writeEnd(), STDOUT_FILENO);
        if (posix_spawnp(&pid, argv.front(), actions.get(), nullptr, argv.data(), environ) != 0)
            return {};
    }
    output.closeWrite();

    ChildResult result;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(output.readEnd(), buffer, sizeof buffer);
        if (got > 0)
            result.output.append(buffer, got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return {};
    }
    result.exitedCleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

} // namespace tolvex::bench
