#pragma once

#include "catalogue/PackedRecord.h"

#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>

namespace tolvex {

// A key folded for comparison in two words: for each of its first 15
// characters one byte, its rank among the folded Windows-1252 characters,
// and 0 after its end. Every stored key fits that, as "Datei" holds 15
// characters of Windows-1252. A character Windows-1252 lacks gets the rank
// of the next smaller one and the bytes after it 0xFF, as does the last
// byte of a longer key: such keys compare only roughly and, alone among
// keys, are told apart by their text.
struct FoldedKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    auto operator<=>(const FoldedKey&) const = default;
    [[nodiscard]] bool exact() const { return (low & 0xFF) == 0; }
};

// The weight a key character sorts by: A to Z as a to z. UTF-16 units are
// shifted so that surrogates sort above the rest of the BMP, which gives code
// point order.
[[nodiscard]] char32_t keyWeight(char16_t u);

[[nodiscard]] FoldedKey fold(QStringView key);
// The stored key, folded straight from its Windows-1252 bytes.
[[nodiscard]] FoldedKey fold(const StoredField& key);
// The stored key as text; empty for one that holds none.
[[nodiscard]] QString keyText(const StoredField& key);

} // namespace tolvex
