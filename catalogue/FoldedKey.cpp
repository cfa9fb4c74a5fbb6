#include "catalogue/FoldedKey.h"

#include "platform/files/Cp1252.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <utility>
#include <variant>
#include <vector>

namespace tolvex {

char32_t keyWeight(char16_t u)
{
    if (u >= u'A' && u <= u'Z')
        return u + (u'a' - u'A');
    if (u >= 0xE000)
        return u - 0x800;
    if (u >= 0xD800)
        return u + 0x2000;
    return u;
}

namespace {

constexpr qsizetype kFoldedChars = 15;
constexpr unsigned char kRough = 0xFF;

class KeyRanks {
public:
    KeyRanks()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        for (const QChar c : cp1252::decode(all))
            m_weights.push_back(keyWeight(c.unicode()));
        std::sort(m_weights.begin(), m_weights.end());
        m_weights.erase(std::unique(m_weights.begin(), m_weights.end()), m_weights.end());
        for (char16_t u = 0; u < 0x80; ++u)
            m_ascii[u] = slowRank(u).first;
        const QString chars = cp1252::decode(all);
        for (int b = 0; b < 256; ++b)
            m_bytes[size_t(b)] = slowRank(chars[b].unicode()).first;
    }

    // The rank of a Windows-1252 byte.
    [[nodiscard]] unsigned char ofByte(char b) const { return m_bytes[static_cast<unsigned char>(b)]; }

    // The rank, and whether the character is one of Windows-1252.
    [[nodiscard]] std::pair<unsigned char, bool> of(char16_t u) const
    {
        return u < 0x80 ? std::pair<unsigned char, bool>{m_ascii[u], true} : slowRank(u);
    }

private:
    [[nodiscard]] std::pair<unsigned char, bool> slowRank(char16_t u) const
    {
        const char32_t weight = keyWeight(u);
        const auto it = std::lower_bound(m_weights.begin(), m_weights.end(), weight);
        const auto below = static_cast<unsigned char>(it - m_weights.begin());
        if (it != m_weights.end() && *it == weight)
            return {static_cast<unsigned char>(below + 1), true};
        return {below, false};
    }

    std::vector<char32_t> m_weights; // 230 after folding, so every rank stays below kRough
    std::array<unsigned char, 0x80> m_ascii{};
    std::array<unsigned char, 256> m_bytes{};
};

const KeyRanks& keyRanks()
{
    static const KeyRanks ranks;
    return ranks;
}

FoldedKey folded(const std::array<unsigned char, 16>& bytes)
{
    FoldedKey key;
    for (size_t b = 0; b < 8; ++b) {
        key.high = (key.high << 8) | bytes[b];
        key.low = (key.low << 8) | bytes[b + 8];
    }
    return key;
}

} // namespace

FoldedKey fold(QStringView key)
{
    const KeyRanks& ranks = keyRanks();
    std::array<unsigned char, 16> bytes{};
    const qsizetype n = std::min(key.size(), kFoldedChars);
    qsizetype i = 0;
    for (; i < n; ++i) {
        const auto [rank, exact] = ranks.of(key[i].unicode());
        bytes[size_t(i)] = rank;
        if (!exact)
            break;
    }
    if (i < n || key.size() > kFoldedChars)
        std::fill(bytes.begin() + (i < n ? i + 1 : kFoldedChars), bytes.end(), kRough);
    return folded(bytes);
}

QString keyText(const StoredField& key)
{
    const FieldValue value = valueOf(key);
    const auto* text = std::get_if<QString>(&value);
    return text ? *text : QString();
}

FoldedKey fold(const StoredField& key)
{
    if (key.kind != StoredField::Kind::Text)
        return fold(keyText(key));
    const KeyRanks& ranks = keyRanks();
    std::array<unsigned char, 16> bytes{};
    const qsizetype n = std::min(key.bytes.size(), kFoldedChars);
    for (qsizetype i = 0; i < n; ++i)
        bytes[size_t(i)] = ranks.ofByte(key.bytes[i]);
    if (key.bytes.size() > kFoldedChars)
        bytes[size_t(kFoldedChars)] = kRough;
    return folded(bytes);
}

} // namespace tolvex
