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
    QByteArray output;     // what the action returned, or the program wrote to stdout and stderr
    long peakMemoryKb = 0; // the child's largest resident size
};

// Runs the action in a forked copy of this process, optionally with a limit
// on the size of the files it writes. The action's result comes back as the
// output; a TolvexError it throws comes back as "error: " and its message.
[[nodiscard]] ChildResult inChild(const std::function<QByteArray()>& action, rlim_t fileSizeLimit = RLIM_INFINITY);

// Runs a program to its end.
[[nodiscard]] ChildResult runProgram(const QString& program, const QStringList& arguments);

} // namespace tolvex::test
