// A level's readme, in any bytes. The facts it gives are storable as they
// are: a title of at most 50 characters and a description, every character
// one Windows-1252 holds and no control but the description's line breaks;
// a player range only within 1 to 256 with the lower end first.

#include "FuzzSupport.h"

#include "install/ReadmeFacts.h"
#include "platform/files/Cp1252.h"

using namespace tolvex;

namespace {

bool storable(const QString& text, bool lineBreaks)
{
    for (const QChar c : text) {
        if (c == u'\n' && lineBreaks)
            continue;
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || !cp1252::representable(c))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ReadmeFacts facts = readReadme(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    FUZZ_CHECK(facts.title.size() <= 50 && storable(facts.title, false), facts.title);
    FUZZ_CHECK(facts.title == facts.title.trimmed(), facts.title);
    FUZZ_CHECK(storable(facts.description, true), facts.description);
    FUZZ_CHECK(!facts.description.startsWith(u'\n') && !facts.description.endsWith(u'\n'), facts.description);
    FUZZ_CHECK(facts.hasPlayers() == (facts.maxPlayers > 0), QString::number(facts.maxPlayers));
    FUZZ_CHECK(!facts.hasPlayers() || (facts.minPlayers <= facts.maxPlayers && facts.maxPlayers <= 256),
               QString::number(facts.minPlayers) + u'-' + QString::number(facts.maxPlayers));
    return 0;
}
