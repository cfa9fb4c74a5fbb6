// Writes synthetic Quake 2 map files for tests and the demo folder:
//   mkmap DESCRIPTION.txt OUT.bsp
//   mkmap --pak OUT.pak ENTRY=FILE...
// The description format is told in tools/MapWriter.h. The package holds
// each FILE under the name ENTRY (e.g. maps/arena.bsp=arena.bsp).

#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"
#include "tools/MapWriter.h"

#include <QFile>

#include <cstdio>

using namespace tolvex;

namespace {

QByteArray fileBytes(const QString& path)
{
    const auto bytes = readWholeFile(path);
    if (!bytes)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht gelesen werden"), {path}));
    return *bytes;
}

void save(const QString& path, const QByteArray& bytes)
{
    if (saveAtomically(path, bytes))
        throw TolvexError(formatMessage(QStringLiteral("nach %s kann nicht geschrieben werden"), {path}));
}

void writePackage(const QString& target, const QStringList& entries)
{
    std::vector<std::pair<QByteArray, QByteArray>> files;
    for (const QString& entry : entries) {
        const qsizetype equals = entry.indexOf(u'=');
        if (equals <= 0)
            throw TolvexError(formatMessage(QStringLiteral("\"%s\" ist nicht ENTRY=FILE"), {entry}));
        files.emplace_back(entry.left(equals).toUtf8(), fileBytes(entry.mid(equals + 1)));
    }
    save(target, mapwriter::pakFile(files));
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    const bool package = args.size() >= 2 && args.first() == u"--pak";
    if (!package && args.size() != 2) {
        std::fprintf(stderr, "usage: mkmap DESCRIPTION.txt OUT.bsp\n       mkmap --pak OUT.pak ENTRY=FILE...\n");
        return 2;
    }
    try {
        if (package)
            writePackage(args.at(1), args.mid(2));
        else
            save(args.at(1), mapwriter::mapFile(QString::fromUtf8(fileBytes(args.at(0)))));
        return 0;
    } catch (const TolvexError& e) {
        std::fprintf(stderr, "mkmap: %s\n", e.what());
        return 1;
    }
}
