#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tolvex {

// Decodes single-byte text of a Windows or DOS code page given by its number
// (1252, 437, 850, ...). Nothing when the system knows no such code page or a
// byte has no character in it.
[[nodiscard]] std::optional<QString> decodeCodePage(QByteArrayView bytes, int codePage);
// Whether the system can decode the code page of that number.
[[nodiscard]] bool knowsCodePage(int codePage);

} // namespace tolvex
