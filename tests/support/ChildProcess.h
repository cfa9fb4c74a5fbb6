#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/resource.h>

namespace tolvex::test {

struct ChildResult {
    bool exited = false;   // ended by itself rather than by a signal
    int exitCode = -1;
    int signal = 0;
    QByteArray output;     // what the action returned, or what the program wrote
    long peakMemoryKb = 0; // the child's largest resident size

    [[nodiscard]] bool succeeded() const { return exited && exitCode == 0; }
};

// What of a program's output is collected.
enum class Streams { Output, OutputAndErrors };

// Runs the action in a forked copy of this process, optionally with a limit
// on the size of the files it writes. The action's result comes back as the
// output; a TolvexError it throws comes back as "error: " and its message.
[[nodiscard]] ChildResult inChild(const std::function<QByteArray()>& action, rlim_t fileSizeLimit = RLIM_INFINITY);

// Runs a program to its end, directly (a bare name looked up in PATH, no
// shell in between); a program that cannot be started gives a result that
// did not exit.
[[nodiscard]] ChildResult runProgram(const QString& program, const QStringList& arguments,
                                     Streams streams = Streams::OutputAndErrors);

} // namespace tolvex::test
