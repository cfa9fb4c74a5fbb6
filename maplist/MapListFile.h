#pragma once

#include <QString>
#include <QStringList>

namespace tolvex {

// EraserBot's map list: one level file name per line. The program gives no
// line a meaning, so every line, comments included, is kept as it stands.

// The entries in file order. Throws "Datei %s kann nicht geöffnet werden"
// when the file is missing, unreadable or the path is empty.
[[nodiscard]] QStringList readMapList(const QString& path);

// Every entry followed by CR LF; an empty list gives an empty file.
// The file is replaced as one step, so a failure leaves the old list whole.
// Throws "Datei %s kann nicht erstellt werden" or "Stream-Write-Fehler".
void writeMapList(const QString& path, const QStringList& entries);

} // namespace tolvex
