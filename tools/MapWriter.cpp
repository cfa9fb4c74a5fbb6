#include "tools/MapWriter.h"

#include "platform/TolvexError.h"

#include <QStringList>
#include <QtEndian>

namespace tolvex::mapwriter {

namespace {

constexpr int kLumps = 19;
constexpr int kHeaderSize = 8 + kLumps * 8;
constexpr int kPackNameSize = 56;

void putInt32(QByteArray& bytes, qsizetype at, qint32 value)
{
    qToLittleEndian<qint32>(value, bytes.data() + at);
}

[[noreturn]] void refuse(int line, const QString& why)
{
    throw TolvexError(QStringLiteral("Zeile %1: %2").arg(line).arg(why));
}

// Words of a line; a word may hold a quoted stretch with blanks (key="a b").
QStringList wordsOf(const QString& line, int number)
{
    QStringList words;
    QString word;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == u'"') {
            quoted = !quoted;
        } else if (c.isSpace() && !quoted) {
            if (!word.isEmpty())
                words << std::exchange(word, QString());
        } else {
            word += c;
        }
    }
    if (quoted)
        refuse(number, QStringLiteral("ein Anführungszeichen wird nicht geschlossen"));
    if (!word.isEmpty())
        words << word;
    return words;
}

QByteArray entityOf(QStringList words, int number)
{
    int copies = 1;
    if (words.size() >= 2 && words.at(words.size() - 2) == u"*") {
        bool ok = false;
        copies = words.last().toInt(&ok);
        if (!ok || copies < 1)
            refuse(number, QStringLiteral("nach \"*\" fehlt eine Anzahl"));
        words.resize(words.size() - 2);
    }
    if (words.size() < 2)
        refuse(number, QStringLiteral("\"entity\" braucht einen Klassennamen"));
    QByteArray one = "{\n\"classname\" \"" + words.at(1).toUtf8() + "\"\n";
    for (qsizetype i = 2; i < words.size(); ++i) {
        const qsizetype equals = words.at(i).indexOf(u'=');
        if (equals <= 0)
            refuse(number, QStringLiteral("\"%1\" ist kein Paar Schlüssel=Wert").arg(words.at(i)));
        one += '"' + words.at(i).left(equals).toUtf8() + "\" \"" + words.at(i).mid(equals + 1).toUtf8() + "\"\n";
    }
    one += "}\n";
    return one.repeated(copies);
}

} // namespace

QByteArray bspFile(QByteArrayView entityText)
{
    QByteArray bytes(kHeaderSize, '\0');
    bytes.replace(0, 4, "IBSP");
    putInt32(bytes, 4, 38);
    // The game reads the entity text up to its terminating NUL.
    const QByteArray lump = entityText.toByteArray() + '\0';
    for (int i = 0; i < kLumps; ++i)
        putInt32(bytes, 8 + i * 8, kHeaderSize + (i == 0 ? 0 : qint32(lump.size())));
    putInt32(bytes, 12, qint32(lump.size()));
    return bytes + lump;
}

QByteArray pakFile(const std::vector<std::pair<QByteArray, QByteArray>>& files)
{
    QByteArray bytes(12, '\0');
    bytes.replace(0, 4, "PACK");
    QByteArray directory;
    for (const auto& [name, data] : files) {
        QByteArray entry = name.left(kPackNameSize).leftJustified(kPackNameSize + 8, '\0');
        putInt32(entry, kPackNameSize, qint32(bytes.size()));
        putInt32(entry, kPackNameSize + 4, qint32(data.size()));
        directory += entry;
        bytes += data;
    }
    putInt32(bytes, 4, qint32(bytes.size()));
    putInt32(bytes, 8, qint32(directory.size()));
    return bytes + directory;
}

QByteArray entityText(const QString& description)
{
    QByteArray text;
    const QStringList lines = description.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList words = wordsOf(line, i + 1);
        if (words.first() != u"entity")
            refuse(i + 1, QStringLiteral("\"%1\" ist unbekannt").arg(words.first()));
        text += entityOf(words, i + 1);
    }
    return text;
}

} // namespace tolvex::mapwriter
