#include "level/KeyOrder.h"

#include "platform/files/Cp1252.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace tolvex {

char32_t keyWeight(char byte)
{
    static const std::array<char32_t, 256> weights = [] {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString chars = cp1252::decode(all);
        std::array<char32_t, 256> table{};
        for (size_t b = 0; b < table.size(); ++b)
            table[b] = keyWeight(chars[qsizetype(b)]);
        return table;
    }();
    return weights[static_cast<unsigned char>(byte)];
}

} // namespace tolvex
