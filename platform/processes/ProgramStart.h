#pragma once

#include <QString>
#include <QStringList>

namespace tolvex {

// Stands in for the Windows shell's "start this file". Results follow the
// shell's: greater than 32 when the request was accepted, otherwise one of
// these codes.
namespace shellresult {
inline constexpr int kStarted = 42;
inline constexpr int kOutOfResources = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kOutOfMemory = 8;
inline constexpr int kBadFormat = 11;
inline constexpr int kNoAssociation = 31;
} // namespace shellresult

// A file name without "/" is looked up in the working directory (the
// current one when empty). An executable file is started detached in the
// working directory, with the parameter text split as a Windows program
// splits its command line; no shell ever sees the text. Any other existing
// file is handed to the desktop's opener. Returns once the program has
// started or failed to; never waits for it, never leaves it a zombie.
[[nodiscard]] int shellExecute(const QString& file, const QString& parameters, const QString& directory);

// Hands a web address to the desktop's opener.
int openUrl(const QString& url);

// The usual Windows command-line rules: blanks and tabs separate arguments,
// double quotes group them, backslashes count only before a double quote
// (2n + 1 of them give n and a literal quote, 2n give n and a quote that
// opens or closes), and a doubled quote inside quotes gives a literal one
// and ends the quoted part.
[[nodiscard]] QStringList splitCommandLine(const QString& parameters);

// Tests replace "xdg-open" with a program that records what it was given.
void overrideDesktopOpener(const QString& program);

} // namespace tolvex
