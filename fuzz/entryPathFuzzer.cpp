// The mapping of an archive entry's name to its place in the game's data
// folder. Whatever the name, a kept place lies inside the folder, is in lower
// case with "/" between non-empty parts, starts at one of the game's folders
// (a file) or is a bare name (a package), and maps onto itself again; a name
// with a ".." part or an absolute name is never kept.

#include "FuzzSupport.h"

#include "install/EntryPath.h"

#include <QDir>

using namespace tolvex;

namespace {

void check(const QString& name)
{
    const EntryTarget where = entryTarget(name);
    QString slashed = name;
    slashed.replace(u'\\', u'/');
    const bool climbs = slashed.split(u'/').contains(QStringLiteral(".."));
    FUZZ_CHECK(!climbs || where.kind == EntryTarget::Kind::Unsafe, name);
    if (where.kind != EntryTarget::Kind::File && where.kind != EntryTarget::Kind::Package) {
        FUZZ_CHECK(where.path.isEmpty(), where.path);
        return;
    }
    const QString& path = where.path;
    FUZZ_CHECK(!slashed.startsWith(u'/'), name);
    FUZZ_CHECK(path == path.toLower() && !path.contains(u'\\') && !path.startsWith(u'/'), path);
    const QStringList parts = path.split(u'/');
    for (const QString& part : parts)
        FUZZ_CHECK(!part.isEmpty() && part != u"." && part != u"..", path);
    if (where.kind == EntryTarget::Kind::Package)
        FUZZ_CHECK(parts.size() == 1, path);
    else
        FUZZ_CHECK(parts.size() >= 2 && isGameFolderName(parts.constFirst()), path);
    const QString folder = QStringLiteral("/data/baseq2");
    FUZZ_CHECK(QDir::cleanPath(folder + u'/' + path).startsWith(folder + u'/'), path);
    const EntryTarget again = entryTarget(path);
    FUZZ_CHECK(again.kind == where.kind && again.path == path, path + u" -> " + again.path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(QString::fromUtf8(bytes));
    check(QString::fromLatin1(bytes));
    return 0;
}
