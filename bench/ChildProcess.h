#pragma once

#include <QByteArray>
#include <QStringList>

namespace tolvex::bench {

struct ChildResult {
    bool exitedCleanly = false; // ended by itself with status 0
    QByteArray output;          // what it wrote to its standard output
};

// Runs a program directly (looked up in PATH, no shell in between) and
// waits for it.
[[nodiscard]] ChildResult runChild(const QStringList& arguments);

} // namespace tolvex::bench
