// The [Filter] section of konfig.ini, as a hand-edited file may hold it. The
// filter read from any file stays within what the controls can show, and what
// is written reads back as the same filter, from the object and from disk.

#include "FuzzSupport.h"

#include "config/FilterSettings.h"
#include "platform/files/ProfileFile.h"

using namespace tolvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = fuzz::scratchDir() + QStringLiteral("/konfig.ini");
    fuzz::putFile(path, data, size);
    LevelFilter filter;
    {
        ProfileFile ini(path);
        filter = konfig::readFilter(ini);
        FUZZ_CHECK(filter.text.size() <= kFilterTextLength, filter.text);
        FUZZ_CHECK(!filter.players || (*filter.players >= kMinFilterPlayers && *filter.players <= kMaxFilterPlayers),
                   QString::number(*filter.players));
        FUZZ_CHECK(filter.items < (1u << kFilterItemCount), QString::number(filter.items));

        // Another filter written over whatever the file held.
        LevelFilter other = filter;
        other.text = filter.text.isEmpty() ? QStringLiteral("rail") : QString();
        other.neverPlayed = !filter.neverPlayed;
        other.items = std::uint8_t(filter.items ^ 0x41);
        other.players = filter.players ? std::nullopt : std::optional<int>(6);
        konfig::writeFilter(ini, other);
        FUZZ_CHECK(konfig::readFilter(ini) == other, konfig::readFilter(ini).text);
        try {
            ini.flush();
        } catch (...) {
            return 0;
        }
        filter = other;
    }
    FUZZ_CHECK(konfig::readFilter(ProfileFile(path)) == filter, konfig::readFilter(ProfileFile(path)).text);
    return 0;
}
