#include "maplist/MapListFile.h"

#include "platform/files/TextFile.h"

namespace tolvex {

QStringList readMapList(const QString& path)
{
    return readLines(path);
}

void writeMapList(const QString& path, const QStringList& entries)
{
    writeLines(path, entries);
}

} // namespace tolvex
