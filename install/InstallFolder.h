#pragma once

#include <QString>

namespace tolvex {

// The data folder a downloaded level goes into, for the game program as
// found (a path, empty when none is set) and the user's home folder:
// the baseq2 beside the program, as given or after resolving its symbolic
// links, when there is one; else the port's own folder in the home,
// ~/.q2pro/baseq2 for a program whose name says q2pro and ~/.yq2/baseq2 for
// any other. A baseq2 in a system folder (/usr, /opt, ...) is never chosen,
// since the user cannot or must not write there. Only looks; creates nothing.
[[nodiscard]] QString installFolder(const QString& program, const QString& home);

// Whether the folder belongs to the system rather than to a user.
[[nodiscard]] bool isSystemFolder(const QString& folder);

// installFolder for the game program konfig.ini names and the user's home.
[[nodiscard]] QString levelInstallFolder();

} // namespace tolvex
