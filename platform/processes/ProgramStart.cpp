#include "platform/processes/ProgramStart.h"

#include "platform/files/FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tolvex {

namespace {

QString& openerOverride()
{
    static QString program;
    return program;
}

int shellResultFor(int error)
{
    using namespace shellresult;
    switch (error) {
    case 0:
        return kStarted;
    case ENOENT:
    case ELOOP:
        return kFileNotFound;
    case ENOTDIR:
        return kPathNotFound;
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return kAccessDenied;
    case ENOEXEC:
    case ELIBBAD:
    case EISDIR:
        return kBadFormat;
    case ENOMEM:
    case E2BIG:
        return kOutOfMemory;
    default:
        return kOutOfResources;
    }
}

void reportError(int fd, int error)
{
    ssize_t n = 0;
    do {
        n = ::write(fd, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
}

// The program's side, in the forked grandchild: a clean start in the
// directory, then exec. Only async-signal-safe calls: the parent may have threads.
[[noreturn]] void execClean(const QByteArray& program, char* const* argv, const QByteArray& directory, int errorEnd)
{
    ::setsid();
    // Ignored signals and the mask survive exec; the program gets a clean start.
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &standard, nullptr);
    // Our own files are none of the program's business.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);

    if (directory.isEmpty() || ::chdir(directory.constData()) == 0)
        ::execve(program.constData(), argv, environ);
    reportError(errorEnd, errno);
    ::_exit(127);
}

// Starts the program as a grandchild: the child in between ends at once and
// is reaped here, so the program belongs to init and never becomes our
// zombie. Whether exec worked comes back through a pipe that exec closes.
// Returns 0 or the errno of the failure.
int spawnDetached(const QByteArray& program, const QList<QByteArray>& arguments, const QByteArray& directory)
{
    std::vector<char*> argv;
    argv.reserve(std::size_t(arguments.size()) + 2);
    argv.push_back(const_cast<char*>(program.constData()));
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    FileDescriptor readEnd(fds[0]);
    FileDescriptor writeEnd(fds[1]);

    const pid_t middle = ::fork();
    if (middle < 0)
        return errno;
    if (middle == 0) {
        const pid_t game = ::fork();
        if (game == 0)
            execClean(program, argv.data(), directory, fds[1]);
        if (game < 0)
            reportError(fds[1], errno);
        ::_exit(game < 0 ? 127 : 0);
    }

    writeEnd.reset();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }

    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(readEnd.get(), &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    return n == ssize_t(sizeof error) ? error : 0;
}

int openWithDesktop(const QString& target, const QByteArray& directory)
{
    const QString opener = openerOverride().isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("xdg-open"))
                                                      : openerOverride();
    if (opener.isEmpty())
        return shellresult::kNoAssociation;
    return shellResultFor(spawnDetached(QFile::encodeName(opener), {QFile::encodeName(target)}, directory));
}

bool isDirectory(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int shellExecute(const QString& file, const QString& parameters, const QString& directory)
{
    if (file.isEmpty())
        return shellresult::kFileNotFound;

    const QByteArray workingDirectory = QFile::encodeName(directory);
    if (!directory.isEmpty() && !isDirectory(workingDirectory))
        return shellresult::kPathNotFound;

    const QString base = directory.isEmpty() ? QDir::currentPath() : directory;
    const QString path = QDir::isAbsolutePath(file) ? file : QDir(base).absoluteFilePath(file);
    const QByteArray encoded = QFile::encodeName(path);

    struct stat st {};
    if (::stat(encoded.constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT && !isDirectory(QFile::encodeName(QFileInfo(path).absolutePath())))
            return shellresult::kPathNotFound;
        return shellResultFor(error);
    }

    // Root may run a file with any execute bit only; access() says so too.
    const bool executable = S_ISREG(st.st_mode) && ::access(encoded.constData(), X_OK) == 0;
    if (!executable)
        return openWithDesktop(path, workingDirectory);

    QList<QByteArray> arguments;
    const QStringList split = splitCommandLine(parameters);
    arguments.reserve(split.size());
    for (const QString& argument : split)
        arguments.append(argument.toLocal8Bit());
    return shellResultFor(spawnDetached(encoded, arguments, workingDirectory));
}

int openUrl(const QString& url)
{
    return openWithDesktop(url, QByteArray());
}

QStringList splitCommandLine(const QString& parameters)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    // Counts quotes the way the command-line parser does: 1 while inside
    // quotes, and a third quote in a row stands for a literal one.
    int quotes = 0;
    qsizetype backslashes = 0;
    const qsizetype size = parameters.size();

    const auto takeBackslashes = [&](qsizetype count) {
        current.append(QString(count, u'\\'));
        backslashes = 0;
    };

    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = parameters.at(i);
        if ((c == u' ' || c == u'\t') && quotes == 0) {
            takeBackslashes(backslashes);
            if (inArgument)
                arguments.append(std::exchange(current, QString()));
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c != u'"') {
            takeBackslashes(backslashes);
            current.append(c);
            continue;
        }

        const bool escaped = backslashes % 2 == 1;
        takeBackslashes(backslashes / 2);
        if (escaped)
            current.append(u'"');
        else
            ++quotes;
        while (i + 1 < size && parameters.at(i + 1) == u'"') {
            ++i;
            if (++quotes == 3) {
                current.append(u'"');
                quotes = 0;
            }
        }
        if (quotes == 2)
            quotes = 0;
    }
    takeBackslashes(backslashes);
    if (inArgument)
        arguments.append(current);
    return arguments;
}

void overrideDesktopOpener(const QString& program)
{
    openerOverride() = program;
}

} // namespace tolvex
