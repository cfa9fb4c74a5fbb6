#include "config/FilterSettings.h"

#include "level/LevelFields.h"
#include "platform/files/ProfileFile.h"

#include <QStringList>

namespace tolvex::konfig {

namespace {

const QString kSection = QStringLiteral("Filter");
const QString kText = QStringLiteral("text");
const QString kType = QStringLiteral("typ");
const QString kPlayers = QStringLiteral("spieler");
const QString kItems = QStringLiteral("items");
const QString kInstalled = QStringLiteral("installiert");
const QString kNeverPlayed = QStringLiteral("ungespielt");

// Only "1" and "0" are flags here; anything else leaves the default.
bool readFlag(const ProfileFile& ini, const QString& key)
{
    return ini.readString(kSection, key, QString()) == u'1';
}

QString itemName(int item)
{
    return QLatin1String(kLevelFields[size_t(Field::Quad + item)].name);
}

} // namespace

LevelFilter readFilter(const ProfileFile& ini)
{
    LevelFilter filter;
    // The edit takes no more than this either.
    filter.text = ini.readString(kSection, kText, QString()).left(kFilterTextLength);
    const QString type = ini.readString(kSection, kType, QString());
    if (type.compare(QLatin1String("DM"), Qt::CaseInsensitive) == 0)
        filter.type = LevelFilter::Type::DM;
    else if (type.compare(QLatin1String("CTF"), Qt::CaseInsensitive) == 0)
        filter.type = LevelFilter::Type::CTF;
    bool ok = false;
    const int players = ini.readString(kSection, kPlayers, QString()).toInt(&ok);
    if (ok && players >= kMinFilterPlayers && players <= kMaxFilterPlayers)
        filter.players = players;
    const QStringList items = ini.readString(kSection, kItems, QString()).split(u',', Qt::SkipEmptyParts);
    for (const QString& name : items) {
        for (int item = 0; item < kFilterItemCount; ++item) {
            if (name.trimmed().compare(itemName(item), Qt::CaseInsensitive) == 0)
                filter.items |= std::uint8_t(1u << item);
        }
    }
    filter.installedOnly = readFlag(ini, kInstalled);
    filter.neverPlayed = readFlag(ini, kNeverPlayed);
    return filter;
}

void writeFilter(ProfileFile& ini, const LevelFilter& filter)
{
    if (readFilter(ini) == filter)
        return;
    QStringList items;
    for (int item = 0; item < kFilterItemCount; ++item) {
        if (filter.items & (1u << item))
            items << itemName(item);
    }
    const char* type = filter.type == LevelFilter::Type::DM ? "DM" : filter.type == LevelFilter::Type::CTF ? "CTF" : "";
    ini.writeString(kSection, kText, filter.text);
    ini.writeString(kSection, kType, QLatin1String(type));
    ini.writeString(kSection, kPlayers, filter.players ? QString::number(*filter.players) : QString());
    ini.writeString(kSection, kItems, items.join(u','));
    ini.writeString(kSection, kInstalled, filter.installedOnly ? QStringLiteral("1") : QStringLiteral("0"));
    ini.writeString(kSection, kNeverPlayed, filter.neverPlayed ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace tolvex::konfig
