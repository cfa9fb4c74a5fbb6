#pragma once

#include <QString>

namespace tolvex {

// The shell's result of the latest ExecuteFile call; 33 until the first.
extern int LastResult;
// The file argument of the latest ExecuteFile call; empty until the first.
extern QString LastFile;

// Asks the shell to start the file (a program, or a document with its
// default action) with the parameter text in the given working directory.
// A result greater than 32 means the request was accepted.
int ExecuteFile(const QString& file, const QString& parameters, const QString& directory);

} // namespace tolvex
