// The entity text of a map, parsed and turned into a catalogue record. Every
// key and value must lie inside the text, and the record must be one the
// catalogue can store: each of its 13 texts goes through its field's text form.
// Read straight from the text as bytes, the record must be the same.

#include "FuzzSupport.h"

#include "gamefolder/EntityText.h"
#include "gamefolder/MapRecord.h"
#include "level/LevelFields.h"
#include "platform/dialogs/TolvexError.h"

using namespace tolvex;

namespace {

bool within(QByteArrayView part, QByteArrayView whole)
{
    return part.isEmpty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto entities = parseEntities(text);
    // The record read straight from the text, keeping nothing, is the one the entities give.
    const auto direct = mapRecordOfText(QStringLiteral("fuzzmap"), text);
    FUZZ_CHECK(direct.has_value() == (entities && !entities->empty()), QString());
    if (!entities)
        return 0;
    for (const Entity& entity : *entities) {
        for (const auto& pair : entity.pairs)
            FUZZ_CHECK(within(pair.key, text) && within(pair.value, text), QString());
    }

    const QStringList texts = levelTexts(QStringLiteral("fuzzmap"), *entities);
    FUZZ_CHECK(!direct || direct->fieldCount() == kFieldCount, QString::number(direct->fieldCount()));
    FUZZ_CHECK(!direct || direct->texts() == texts, direct->texts().join(u'|'));
    FUZZ_CHECK(texts.size() == kFieldCount, QString::number(texts.size()));
    FUZZ_CHECK(!textFault(Field::Level, texts.at(Field::Level)), texts.at(Field::Level));
    FUZZ_CHECK(texts.at(Field::Level) == texts.at(Field::Level).trimmed(), texts.at(Field::Level));
    for (int pos = 0; pos < kFieldCount; ++pos) {
        try {
            const FieldValue value = fieldFromText(pos, texts.at(pos));
            FUZZ_CHECK(fieldText(pos, value) == texts.at(pos), texts.at(pos));
        } catch (const TolvexError& e) {
            fuzz::failure("a record text its field refuses", e.message());
        }
    }
    FUZZ_CHECK(texts.at(Field::MaxPlayer).toInt() >= 2, texts.at(Field::MaxPlayer));
    return 0;
}
