// konfig.ini as the profile-file layer reads and writes it. The input picks
// one of the program's own keys, a value and the file's contents. Reading
// must never fail; a write must read back, in the object and from disk,
// and leave every other key as it was.

#include "FuzzSupport.h"

#include "config/Konfig.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/ProfileFile.h"

#include <array>
#include <utility>
#include <vector>

using namespace tolvex;

namespace {

using Key = std::pair<QString, QString>;

bool sameKey(const Key& a, const Key& b)
{
    return a.first.compare(b.first, Qt::CaseInsensitive) == 0 && a.second.compare(b.second, Qt::CaseInsensitive) == 0;
}

const std::vector<Key>& programKeys()
{
    static const std::vector<Key> keys = [] {
        std::vector<Key> all{
        };
        for (const konfig::Setting& setting : {konfig::kGame, konfig::kMapList, konfig::kParameters, konfig::kLanguage})
            all.emplace_back(setting.section, setting.key);
        for (const QLatin1String section : {konfig::kHauptfenster, konfig::kTabelle, konfig::kMaplist}) {
            for (const QLatin1String key : {konfig::kVisible, konfig::kWidth, konfig::kHeight, konfig::kLeft, konfig::kTop})
                all.emplace_back(section, key);
        }
        // Names as a hand-edited file may spell them.
        all.emplace_back(QStringLiteral("OTHER"), QStringLiteral("Parameter"));
        all.emplace_back(QStringLiteral("Neu"), QStringLiteral("wert"));
        return all;
    }();
    return keys;
}

struct Reading {
    QString text;
    int number;
};

std::vector<Reading> readAll(const ProfileFile& file)
{
    std::vector<Reading> values;
    for (const auto& [section, key] : programKeys())
        values.push_back({file.readString(section, key, QStringLiteral("\x01")), file.readInteger(section, key, -77)});
    return values;
}

// What a read gives back after a write: line breaks became blanks, blanks
// at both ends go, and the profile functions' buffer limit applies.
QString expectedReading(const QString& written)
{
    QString text = written;
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text.at(begin) == u' ' || text.at(begin) == u'\t'))
        ++begin;
    while (end > begin && (text.at(end - 1) == u' ' || text.at(end - 1) == u'\t'))
        --end;
    return text.mid(begin, end - begin).left(2047);
}

void checkOthersUnchanged(const std::vector<Reading>& before, const std::vector<Reading>& after, std::size_t written)
{
    const auto& keys = programKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (sameKey(keys[i], keys[written]))
            continue;
        FUZZ_CHECK(before[i].text == after[i].text, keys[i].first + u'/' + keys[i].second);
        FUZZ_CHECK(before[i].number == after[i].number, keys[i].first + u'/' + keys[i].second);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    static const QString path = fuzz::scratchDir() + QStringLiteral("/konfig.ini");

    const std::size_t keyIndex = data[0] % programKeys().size();
    const std::size_t valueLength = std::min<std::size_t>(data[1] | (data[2] & 0x0F) << 8, size - 3);
    const QString value = cp1252::decode(QByteArrayView(reinterpret_cast<const char*>(data + 3), qsizetype(valueLength)));
    const std::uint8_t* contents = data + 3 + valueLength;
    const std::size_t contentsSize = size - 3 - valueLength;
    fuzz::putFile(path, contents, contentsSize);

    const auto& [section, key] = programKeys()[keyIndex];
    std::vector<Reading> before;
    {
        ProfileFile file(path);
        before = readAll(file);
        // A reading without a write leaves the file alone.
    }
    FUZZ_CHECK(fuzz::fileBytes(path) == QByteArrayView(reinterpret_cast<const char*>(contents), qsizetype(contentsSize)), QString());

    {
        ProfileFile file(path);
        file.writeString(section, key, value);
        FUZZ_CHECK(file.readString(section, key, QString()) == expectedReading(value), value);
        checkOthersUnchanged(before, readAll(file), keyIndex);
        file.flush();
    }
    ProfileFile reread(path);
    FUZZ_CHECK(reread.readString(section, key, QString()) == expectedReading(value), value);
    checkOthersUnchanged(before, readAll(reread), keyIndex);
    return 0;
}
