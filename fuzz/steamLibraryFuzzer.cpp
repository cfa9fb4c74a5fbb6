// Steam's library list: whatever the text, the reader stops within its
// bounds, every library it names is a text of the input, and reading the
// same bytes again gives the same list.

#include "FuzzSupport.h"

#include "game/SteamLibraries.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList libraries = libraryPaths(input);
    // Each library needs at least a key, a value and their quotes.
    FUZZ_CHECK(libraries.size() <= std::min(input.size(), kMaxLibraryFile) / 4 + 1, QString::number(libraries.size()));
    for (const QString& library : libraries)
        // Bytes that are no UTF-8 read as one replacement character each.
        FUZZ_CHECK(!library.isEmpty() && library.size() <= input.size(), library);
    FUZZ_CHECK(libraryPaths(input) == libraries, QString());
    return 0;
}
