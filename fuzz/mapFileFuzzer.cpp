// A map file's header and entity lump: the lump must be the stretch of the
// input its header names, within the size limit and ending before any NUL,
// in a map whose lumps lie apart;
// whatever it holds then goes through the entity parser.

#include "FuzzSupport.h"

#include "gamefolder/BspFile.h"
#include "gamefolder/EntityText.h"
#include "gamefolder/MapRecord.h"

#include <QtEndian>

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    MemorySource source(input);
    const auto lump = readEntityLump(source);
    if (!lump)
        return 0;
    FUZZ_CHECK(input.size() >= kBspHeaderSize, QString());
    FUZZ_CHECK(fuzz::mapLumpsApart(input), QString());
    const qint64 offset = qFromLittleEndian<qint32>(input.data() + 8);
    const qint64 length = qFromLittleEndian<qint32>(input.data() + 12);
    FUZZ_CHECK(offset >= 0 && length <= kMaxEntityLump && offset + length <= input.size(), QString::number(offset));
    FUZZ_CHECK(!lump->contains('\0'), QString());
    FUZZ_CHECK(input.sliced(offset, length).startsWith(*lump), QString());
    if (const auto entities = parseEntities(*lump))
        FUZZ_CHECK(levelTexts(QStringLiteral("fuzzmap"), *entities).size() == 13, QString());
    return 0;
}
