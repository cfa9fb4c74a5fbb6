#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tolvex {

// Text files as lists of lines, Windows-1252 on disk.
// Reading: a line ends at CR LF, a lone CR or a lone LF; the last line counts
// without an ending; nothing after the last ending is a further line; a NUL
// byte ends the text.
[[nodiscard]] QStringList splitLines(QByteArrayView bytes);
// Writing: every line followed by CR LF; no lines give no bytes.
[[nodiscard]] QByteArray joinLines(const QStringList& lines);

// Throws "Datei %s kann nicht geöffnet werden".
[[nodiscard]] QStringList readLines(const QString& path);
// Replaces the file as one step. Throws "Datei %s kann nicht erstellt werden"
// or "Stream-Write-Fehler"; either way the old file stays whole.
void writeLines(const QString& path, const QStringList& lines);

[[nodiscard]] QString cannotOpenMessage(const QString& path);
[[nodiscard]] QString cannotCreateMessage(const QString& path);

} // namespace tolvex
