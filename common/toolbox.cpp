#include "common/toolbox.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/processes/VersionRecord.h"

#include <QCoreApplication>

#include <vector>

namespace tolvex {

namespace {
QString& programDirOverride()
{
    static QString dir;
    return dir;
}
} // namespace

QString ProgramDir()
{
    const QString& forced = programDirOverride();
    if (!forced.isEmpty())
        return forced;
    return QCoreApplication::applicationDirPath() + u'/';
}

void overrideProgramDir(const QString& dir)
{
    programDirOverride() = dir.isEmpty() || dir.endsWith(u'/') ? dir : dir + u'/';
}

QString DirPart(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString NamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString ReplaceAll(const QString& source, const QString& pattern, const QString& replacement)
{
    // Most texts hold no match at all; they come back as they are, unshared work spared.
    if (pattern.isEmpty() || !source.contains(pattern))
        return source;
    if (replacement.contains(pattern))
        return QString(source).replace(pattern, replacement);

    // The text before the leftmost match holds no match, so the result grows
    // at its end only: a match can first appear when a character is added,
    // ending at that character. The replacement goes back in front of the
    // unread text, because it may complete a match with what precedes it.
    const qsizetype m = pattern.size();
    QString out;
    out.reserve(source.size());
    std::vector<QChar> pushedBack; // read from the back
    qsizetype next = 0;
    while (!pushedBack.empty() || next < source.size()) {
        QChar c;
        if (!pushedBack.empty()) {
            c = pushedBack.back();
            pushedBack.pop_back();
        } else {
            c = source.at(next++);
        }
        out.append(c);
        if (c == pattern.back() && out.size() >= m && QStringView(out).right(m) == pattern) {
            out.chop(m);
            for (qsizetype i = replacement.size() - 1; i >= 0; --i)
                pushedBack.push_back(replacement.at(i));
        }
    }
    return out;
}

QString FitText(const QString& text, int width)
{
    if (text.size() > width)
        return text.left(qMax(0, width - 3)) + QStringLiteral("...");
    return text.leftJustified(width, u' ');
}

void ShowInfo(const QString& message)
{
    Dialogs::instance().showInfo(message);
}

QString VersionText()
{
    const VersionNumbers v = readVersionRecord(QCoreApplication::applicationFilePath());
    return QStringLiteral("Version: %1.%2.%3 (Build %4)").arg(v.major).arg(v.minor).arg(v.release).arg(v.build);
}

} // namespace tolvex
