#pragma once

#include <QChar>
#include <QtGlobal>

#include <algorithm>

namespace tolvex {

// The weight a key character sorts by in the key order of the level table,
// SQLite's NOCASE on UTF-8: A to Z as a to z, everything else by code point.
// UTF-16 units are shifted so that surrogates sort above the rest of the BMP.
[[nodiscard]] constexpr char32_t keyWeight(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return u + (u'a' - u'A');
    if (u >= 0xE000)
        return u - 0x800;
    if (u >= 0xD800)
        return u + 0x2000;
    return u;
}

// The same for a stored key's Windows-1252 byte.
[[nodiscard]] char32_t keyWeight(char byte);

// Negative, zero or positive as key a sorts before, with or after key b; each
// given as text, or as the Windows-1252 bytes "Datei" stores.
template <typename A, typename B>
[[nodiscard]] int compareKeys(const A& a, const B& b)
{
    const qsizetype n = std::min<qsizetype>(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t x = keyWeight(a[i]);
        const char32_t y = keyWeight(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace tolvex
