#include "level/KeyOrder.h"

#include "platform/files/Cp1252.h"

#include <QString>

#include <algorithm>
#include <array>

namespace tolvex {

namespace {

// The weight a key character sorts by: A to Z as a to z. UTF-16 units are
// shifted so that surrogates sort above the rest of the BMP, which gives code
// point order.
char32_t weightOf(QChar c)
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
char32_t weightOf(char byte)
{
    static const std::array<char32_t, 256> weights = [] {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString chars = cp1252::decode(all);
        std::array<char32_t, 256> table{};
        for (size_t b = 0; b < table.size(); ++b)
            table[b] = weightOf(chars[qsizetype(b)]);
        return table;
    }();
    return weights[static_cast<unsigned char>(byte)];
}

// NOCASE between two keys, each given as Windows-1252 bytes or as UTF-16.
template <typename A, typename B>
int compareWeights(A a, B b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t x = weightOf(a[i]);
        const char32_t y = weightOf(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

int compareKeys(QStringView a, QStringView b)
{
    return compareWeights(a, b);
}

int compareKeys(QByteArrayView storedA, QByteArrayView storedB)
{
    return compareWeights(storedA, storedB);
}

int compareKeys(QByteArrayView stored, QStringView b)
{
    return compareWeights(stored, b);
}

} // namespace tolvex
