// The conversion's reading of a Paradox level table and its memo file. The
// input's first four bytes give the length of the table file; the rest is
// the memo file (none when empty). A table is read whole or refused with a
// message naming one of the two files; a table read holds only values its
// fields can carry, as many records as its header says.

#include "FuzzSupport.h"

#include "level/LevelFields.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/TolvexError.h"

#include <QByteArrayView>

using namespace tolvex;

namespace {

void checkRecord(const QStringList& texts)
{
    FUZZ_CHECK(texts.size() == kFieldCount, texts.join(u'|'));
    for (int pos = 0; pos < kFieldCount; ++pos) {
        const QString& text = texts[pos];
        switch (kLevelFields[size_t(pos)].kind) {
        case FieldKind::SmallInt: {
            bool ok = true;
            const int n = text.isEmpty() ? 0 : text.toInt(&ok);
            FUZZ_CHECK(ok && n >= -32767 && n <= 32767, text);
            break;
        }
        case FieldKind::Boolean:
            FUZZ_CHECK(text.isEmpty() || text == QLatin1String("Wahr") || text == QLatin1String("Falsch"), text);
            break;
        case FieldKind::Text:
            FUZZ_CHECK(!text.contains(QChar(0)), text);
            break;
        case FieldKind::Memo:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const quint32 claimed = quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 | quint32(data[3]) << 24;
    const qsizetype tableSize = qsizetype(claimed % quint32(size - 3));
    const QByteArrayView table = input.sliced(4, tableSize);
    const QByteArrayView rest = input.sliced(4 + tableSize);
    const std::optional<QByteArrayView> memos = rest.isEmpty() ? std::nullopt : std::optional<QByteArrayView>(rest);

    std::vector<QStringList> records;
    try {
        records = readParadoxTable(table, memos, QStringLiteral("maps.DB"), QStringLiteral("maps.MB"));
    } catch (const TolvexError& e) {
        FUZZ_CHECK(e.message().contains(QLatin1String(" maps.DB ")) || e.message().contains(QLatin1String(" maps.MB ")),
                   e.message());
        return 0;
    }
    FUZZ_CHECK(looksLikeParadoxTable(table), QString());
    const quint32 headerCount = quint32(quint8(table[6])) | quint32(quint8(table[7])) << 8
        | quint32(quint8(table[8])) << 16 | quint32(quint8(table[9])) << 24;
    FUZZ_CHECK(records.size() == headerCount, QString::number(records.size()));
    for (const QStringList& texts : records)
        checkRecord(texts);
    // Reading is a function of the bytes alone.
    FUZZ_CHECK(readParadoxTable(table, memos, QStringLiteral("maps.DB"), QStringLiteral("maps.MB")) == records, QString());
    return 0;
}
