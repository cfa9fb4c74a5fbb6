// The map list file: read whatever is on disk, save it, read it again. The
// entries must survive, and a file already in the saved form must come back
// byte for byte.

#include "FuzzSupport.h"

#include "maplist/MapListFile.h"
#include "platform/files/TextFile.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString original = fuzz::scratchDir() + QStringLiteral("/eraser.txt");
    static const QString saved = fuzz::scratchDir() + QStringLiteral("/saved.txt");

    fuzz::putFile(original, data, size);
    const QStringList entries = readMapList(original);
    writeMapList(saved, entries);
    const QByteArray savedBytes = fuzz::fileBytes(saved);
    FUZZ_CHECK(savedBytes == joinLines(entries), QString());
    const QStringList reread = readMapList(saved);
    FUZZ_CHECK(reread == entries, entries.join(u'|'));

    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input == joinLines(splitLines(input)))
        FUZZ_CHECK(savedBytes == input.toByteArray(), QString());

    // Saving the same entries over the saved file changes nothing.
    writeMapList(saved, reread);
    FUZZ_CHECK(fuzz::fileBytes(saved) == savedBytes, QString());
    return 0;
}
