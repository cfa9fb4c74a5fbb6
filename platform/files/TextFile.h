#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tolvex {

// Text files as lists of lines, Windows-1252 on disk.
// Reading follows the rules of LineReader.
[[nodiscard]] QStringList splitLines(QByteArrayView bytes);
// Writing: every line followed by CR LF; no lines give no bytes.
[[nodiscard]] QByteArray joinLines(const QStringList& lines);
// The same, added to the end of the bytes.
void appendLines(QByteArray& bytes, const QStringList& lines);

// Both throw "Datei %s kann nicht geöffnet werden".
[[nodiscard]] QStringList readLines(const QString& path);
// The bytes, for reading line by line with a LineReader.
[[nodiscard]] QByteArray readText(const QString& path);
// Replaces the file as one step. Throws "Datei %s kann nicht erstellt werden"
// or "Stream-Write-Fehler"; either way the old file stays whole.
void writeLines(const QString& path, const QStringList& lines);
// The same for a text joined beforehand.
void writeText(const QString& path, QByteArrayView bytes);

[[nodiscard]] QString cannotOpenMessage(const QString& path);
[[nodiscard]] QString cannotCreateMessage(const QString& path);

} // namespace tolvex
