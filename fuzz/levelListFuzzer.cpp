// A level list file as the import reads it: lines, groups of 13, the
// description unescaped, every field through its text form. A group that
// converts must come back the same through the export's lines.

#include "FuzzSupport.h"

#include "catalogue/LevelList.h"
#include "level/LevelFields.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/TextFile.h"

#include <optional>

using namespace tolvex;

namespace {

std::optional<LevelRecord> convertGroup(const QStringList& group)
{
    const QStringList texts = LevelList::groupTexts(group);
    LevelRecord record;
    for (int pos = 0; pos < kFieldCount; ++pos) {
        try {
            record[size_t(pos)] = fieldFromText(pos, texts.at(pos));
        } catch (const TolvexError& e) {
            FUZZ_CHECK(!QString::fromUtf8(e.what()).isEmpty(), texts.at(pos));
            return std::nullopt;
        }
    }
    return record;
}

void checkExportRoundTrip(const LevelRecord& record)
{
    const QStringList lines = LevelList::recordLines(record);
    const QStringList reread = splitLines(joinLines(lines));
    FUZZ_CHECK(reread.size() == kFieldCount, lines.join(u'|'));
    const auto again = convertGroup(reread);
    FUZZ_CHECK(again.has_value(), reread.join(u'|'));
    for (int pos = 0; pos < kFieldCount; ++pos)
        FUZZ_CHECK((*again)[size_t(pos)] == record[size_t(pos)], fieldText(pos, record[size_t(pos)]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = splitLines(bytes);
    FUZZ_CHECK(joinLines(lines).size() >= qsizetype(lines.size()) * 2, QString());

    for (qsizetype at = 0; at + LevelList::kLinesPerRecord <= lines.size(); at += LevelList::kLinesPerRecord) {
        if (const auto record = convertGroup(lines.mid(at, LevelList::kLinesPerRecord)))
            checkExportRoundTrip(*record);
    }

    // An incomplete group is refused with the program's message, never read past its end.
    const qsizetype rest = lines.size() % LevelList::kLinesPerRecord;
    if (rest != 0) {
        bool refused = false;
        try {
            (void)LevelList::groupTexts(lines.mid(lines.size() - rest));
        } catch (const TolvexError&) {
            refused = true;
        }
        FUZZ_CHECK(refused, QString::number(rest));
    }
    return 0;
}
