#include "platform/files/Cp1252.h"

#include <array>

namespace tolvex::cp1252 {

namespace {

// 0x80..0x9F; the undefined positions keep their own code as C1 controls.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Byte for a character, or -1.
int byteFor(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < int(kHigh.size()); ++i) {
        if (kHigh[size_t(i)] == u)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

QByteArray encode(const QString& text)
{
    QByteArray bytes;
    appendEncoded(bytes, text);
    return bytes;
}

void appendEncoded(QByteArray& bytes, QStringView text)
{
    const qsizetype start = bytes.size();
    bytes.resize(start + text.size());
    char* out = bytes.data() + start;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // Plain ASCII needs no lookup.
        const int b = u < 0x80 ? int(u) : byteFor(u);
        *out++ = static_cast<char>(b < 0 ? '?' : b);
    }
}

void appendUtf8(std::string& utf8, QByteArrayView bytes)
{
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            utf8 += ch;
            continue;
        }
        const char16_t u = b < 0xA0 ? kHigh[b - 0x80] : char16_t(b);
        if (u < 0x800) {
            utf8 += char(0xC0 | (u >> 6));
        } else {
            utf8 += char(0xE0 | (u >> 12));
            utf8 += char(0x80 | ((u >> 6) & 0x3F));
        }
        utf8 += char(0x80 | (u & 0x3F));
    }
}

int byteOf(QChar c)
{
    return byteFor(c.unicode());
}

bool representable(QChar c)
{
    return byteFor(c.unicode()) >= 0;
}

bool representable(const QString& text)
{
    for (const QChar c : text) {
        if (!representable(c))
            return false;
    }
    return true;
}

} // namespace tolvex::cp1252
