#include "tests/paradox/ParadoxSamples.h"

#include "catalogue/LevelList.h"
#include "platform/files/Cp1252.h"
#include "platform/files/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <algorithm>

namespace tolvex::test {

namespace {

QString description(int i)
{
    switch (i % 6) {
    case 0: return {};
    case 1: return QStringLiteral("Zeile eins über Brücken\r\nZeile zwei, größer");
    case 2: return QString(5000 + i, u'ä');                          // a block of its own
    case 3: return QStringLiteral("kurz");                            // within the record's leading bytes
    case 4: return QStringLiteral("exactly thirty-two bytes long..!"); // 16-byte units
    default: return QStringLiteral("Forty-one bytes, one past the lead bytes.");
    }
}

std::optional<bool> flag(int i, int which)
{
    switch ((i + which) % 3) {
    case 0: return true;
    case 1: return false;
    default: return std::nullopt;
    }
}

QString flagText(const std::optional<bool>& f)
{
    return !f ? QString() : *f ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
}

} // namespace

ParadoxSample thousandLevels()
{
    ParadoxSample sample;
    for (int i = 0; i < 1000; ++i) {
        ParadoxLevel level;
        const QString datei = (i % 7 == 0 ? QStringLiteral("übel%1") : QStringLiteral("q2dm%1")).arg(i, 4, 10, QChar(u'0'));
        const QString name = QStringLiteral("Große Halle Nr. %1 – Ölfass").arg(i);
        const QString typ = i % 3 == 0 ? QStringLiteral("DM") : i % 3 == 1 ? QStringLiteral("CTF") : QString();
        level.datei = cp1252::encode(datei);
        level.level = cp1252::encode(name);
        level.typ = cp1252::encode(typ);
        if (i % 5 != 0)
            level.minPlayer = qint16(i % 5 == 1 ? -32767 : i % 16);
        if (i % 4 != 0)
            level.maxPlayer = qint16(i % 4 == 1 ? 32767 : i % 64);
        level.beschreibung = cp1252::encode(description(i));
        for (int f = 0; f < 7; ++f)
            level.flags[size_t(f)] = flag(i, f);

        QStringList texts{datei, name, typ,
                          level.minPlayer ? QString::number(*level.minPlayer) : QString(),
                          level.maxPlayer ? QString::number(*level.maxPlayer) : QString(), description(i)};
        for (const std::optional<bool>& f : level.flags)
            texts.push_back(flagText(f));
        sample.levels.push_back(level);
        sample.texts.push_back(texts);
    }
    // The table's key order: letters A to Z without regard to case, everything else by code.
    std::sort(sample.texts.begin(), sample.texts.end(), [](const QStringList& a, const QStringList& b) {
        return a[0].compare(b[0], Qt::CaseInsensitive) < 0;
    });
    return sample;
}

QByteArray expectedExport(const std::vector<QStringList>& texts)
{
    QStringList lines;
    for (const QStringList& record : texts)
        lines += LevelList::recordLines(record);
    return joinLines(lines);
}

QMap<QString, QByteArray> folderContents(const QString& folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        QFile file(it.next());
        contents[base.relativeFilePath(file.fileName())] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?");
    }
    return contents;
}

} // namespace tolvex::test
