#include "config/Konfig.h"

#include "common/toolbox.h"
#include "platform/files/ProfileFile.h"
#include "platform/files/SafeFile.h"

namespace tolvex {

QString KonfigPath()
{
    return ProgramDir() + QStringLiteral("konfig.ini");
}

namespace konfig {

namespace {

constexpr QLatin1String kDeutsch("deutsch");
constexpr QLatin1String kEnglish("english");

} // namespace

QString read(const ProfileFile& ini, const Setting& setting)
{
    return ini.readString(setting.section, setting.key, setting.fallback);
}

void write(ProfileFile& ini, const Setting& setting, const QString& value)
{
    ini.writeString(setting.section, setting.key, value);
}

bool readEnglish(const ProfileFile& ini)
{
    return read(ini, kLanguage) == kEnglish;
}

void writeEnglish(ProfileFile& ini, bool english)
{
    write(ini, kLanguage, english ? kEnglish : kDeutsch);
}

LaunchButtons launchButtons(const ProfileFile& ini)
{
    const bool game = fileExists(read(ini, kGame));
    const bool mapList = fileExists(read(ini, kMapList));
    return {game, mapList, game && mapList};
}

} // namespace konfig

} // namespace tolvex
