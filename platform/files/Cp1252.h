#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <string>

namespace tolvex::cp1252 {

// Files on disk are single-byte Windows-1252 text. The five bytes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control characters of the same value, so every byte survives a round trip.
[[nodiscard]] QString decode(QByteArrayView bytes);
[[nodiscard]] QByteArray encode(const QString& text);
// Appends the bytes of the text, without a copy of its own.
void appendEncoded(QByteArray& bytes, QStringView text);
// Appends the text of Windows-1252 bytes as UTF-8, without a QString between.
void appendUtf8(std::string& utf8, QByteArrayView bytes);

// True when the character has a byte in Windows-1252 (including the five
// undefined positions through their C1 stand-ins).
[[nodiscard]] bool representable(QChar c);
// The byte of the character, or -1 when it has none.
[[nodiscard]] int byteOf(QChar c);
[[nodiscard]] bool representable(const QString& text);

} // namespace tolvex::cp1252
