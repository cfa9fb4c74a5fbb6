#include "install/EntryPath.h"

#include <QList>
#include <QStringView>

#include <array>

namespace tolvex {

namespace {

constexpr std::array<QStringView, 8> kGameFolders{u"maps", u"textures", u"env", u"pics",
                                                  u"sound", u"models", u"sprites", u"players"};

bool endsWith(QStringView name, QStringView suffix)
{
    return name.size() > suffix.size() && name.endsWith(suffix);
}

// "c:" names a drive wherever the archive was made on Windows; refusing it in
// every part keeps a kept path's own mapping the same as the entry's.
bool namesDrive(QStringView part)
{
    return part.size() >= 2 && part.at(1) == u':' && part.at(0) >= u'a' && part.at(0) <= u'z';
}

} // namespace

bool isGameFolderName(QStringView name)
{
    for (const QStringView folder : kGameFolders) {
        if (name == folder)
            return true;
    }
    return false;
}

EntryTarget entryTarget(const QString& name)
{
    QString path = name.toLower();
    path.replace(u'\\', u'/');
    if (path.startsWith(u'/'))
        return {EntryTarget::Kind::Unsafe, {}};

    // Empty parts and "." say nothing about the place; ".." is refused even
    // where it would stay inside, since no honest archive needs it.
    QList<QStringView> parts;
    for (const QStringView part : QStringView(path).split(u'/')) {
        if (part == u".." || namesDrive(part))
            return {EntryTarget::Kind::Unsafe, {}};
        if (!part.isEmpty() && part != u".")
            parts.append(part);
    }
    // A name ending in "/" is a folder, which the files under it bring along.
    if (parts.isEmpty() || path.endsWith(u'/'))
        return {};
    const QStringView file = parts.constLast();

    if (endsWith(file, u".pak") || endsWith(file, u".pk3"))
        return {EntryTarget::Kind::Package, file.toString()};
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (isGameFolderName(parts.at(i))) {
            QString kept;
            for (qsizetype j = i; j < parts.size(); ++j) {
                if (j > i)
                    kept += u'/';
                kept += parts.at(j);
            }
            return {EntryTarget::Kind::File, kept};
        }
    }
    if (endsWith(file, u".bsp"))
        return {EntryTarget::Kind::File, u"maps/" + file.toString()};
    return {};
}

} // namespace tolvex
