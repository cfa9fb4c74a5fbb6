#include "tools/MapWriter.h"

#include "platform/dialogs/TolvexError.h"

#include <QHash>
#include <QStringList>
#include <QtEndian>

#include <cstring>

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

void putFloat(QByteArray& bytes, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    char raw[4];
    qToLittleEndian<quint32>(bits, raw);
    bytes.append(raw, 4);
}

template<typename T>
void append(QByteArray& bytes, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian<T>(value, raw);
    bytes.append(raw, sizeof raw);
}

using Corner = std::array<float, 3>;

// The lumps a plan reads, filled face by face; every face gets its own plane
// and edges, corners are shared.
struct Geometry {
    QByteArray planes;
    QByteArray vertices;
    QByteArray texInfo;
    QByteArray faces;
    QByteArray edges;
    QByteArray surfEdges;
    QHash<QByteArray, quint16> corners;
    qint16 infos = 0;
    quint16 planeCount = 0;
    qint32 edgeCount = 0;
    qint32 surfEdgeCount = 0;

    Geometry()
    {
        // Edge 0 cannot be told apart from its reverse, so no face uses it.
        append<quint32>(edges, 0);
        edgeCount = 1;
    }
    quint16 corner(const Corner& c);
    void addTexInfo(const Box& box);
    void addFace(const std::array<Corner, 4>& quad, const Corner& normal);
    void addBox(const Box& box);
};

quint16 Geometry::corner(const Corner& c)
{
    const QByteArray key(reinterpret_cast<const char*>(c.data()), sizeof(Corner));
    const auto found = corners.constFind(key);
    if (found != corners.cend())
        return *found;
    if (corners.size() > 0xffff)
        throw TolvexError(QStringLiteral("zu viele Ecken für eine Karte"));
    const auto index = quint16(corners.size());
    corners.insert(key, index);
    for (const float f : c)
        putFloat(vertices, f);
    return index;
}

void Geometry::addTexInfo(const Box& box)
{
    const std::array<float, 8> axes = {1, 0, 0, 0, 0, 1, 0, 0};
    for (const float f : axes)
        putFloat(texInfo, f);
    append<qint32>(texInfo, box.flags);
    append<qint32>(texInfo, 0);
    texInfo += box.texture.left(31).leftJustified(32, '\0');
    append<qint32>(texInfo, -1);
    ++infos;
}

void Geometry::addFace(const std::array<Corner, 4>& quad, const Corner& normal)
{
    const float dist = normal[0] * quad[0][0] + normal[1] * quad[0][1] + normal[2] * quad[0][2];
    for (const float f : normal)
        putFloat(planes, f);
    putFloat(planes, dist);
    append<qint32>(planes, normal[0] != 0 ? 0 : normal[1] != 0 ? 1 : 2);
    append<quint16>(faces, planeCount++);
    append<qint16>(faces, 0);
    append<qint32>(faces, surfEdgeCount);
    append<qint16>(faces, 4);
    append<qint16>(faces, qint16(infos - 1));
    append<quint32>(faces, 0xffffffff); // no light styles
    append<qint32>(faces, -1);          // no light map
    for (std::size_t i = 0; i < 4; ++i) {
        append<quint16>(edges, corner(quad[i]));
        append<quint16>(edges, corner(quad[(i + 1) % 4]));
        append<qint32>(surfEdges, edgeCount++);
        ++surfEdgeCount;
    }
}

void Geometry::addBox(const Box& box)
{
    const Corner& a = box.min;
    const Corner& b = box.max;
    addTexInfo(box);
    if (box.top)
        addFace({{{a[0], a[1], b[2]}, {b[0], a[1], b[2]}, {b[0], b[1], b[2]}, {a[0], b[1], b[2]}}}, {0, 0, 1});
    addFace({{{a[0], b[1], a[2]}, {b[0], b[1], a[2]}, {b[0], a[1], a[2]}, {a[0], a[1], a[2]}}}, {0, 0, -1});
    addFace({{{a[0], a[1], a[2]}, {b[0], a[1], a[2]}, {b[0], a[1], b[2]}, {a[0], a[1], b[2]}}}, {0, -1, 0});
    addFace({{{b[0], b[1], a[2]}, {a[0], b[1], a[2]}, {a[0], b[1], b[2]}, {b[0], b[1], b[2]}}}, {0, 1, 0});
    addFace({{{a[0], b[1], a[2]}, {a[0], a[1], a[2]}, {a[0], a[1], b[2]}, {a[0], b[1], b[2]}}}, {-1, 0, 0});
    addFace({{{b[0], a[1], a[2]}, {b[0], b[1], a[2]}, {b[0], b[1], b[2]}, {b[0], a[1], b[2]}}}, {1, 0, 0});
}

Box boxOf(const QStringList& words, int number)
{
    if (words.size() < 7)
        refuse(number, QStringLiteral("\"box\" braucht zwei Ecken aus je drei Zahlen"));
    Box box;
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const float value = words.at(i + 1).toFloat(&ok);
        if (!ok)
            refuse(number, QStringLiteral("\"%1\" ist keine Zahl").arg(words.at(i + 1)));
        (i < 3 ? box.min : box.max)[std::size_t(i % 3)] = value;
    }
    for (qsizetype i = 7; i < words.size(); ++i) {
        bool ok = true;
        if (words.at(i).startsWith(u"texture="))
            box.texture = words.at(i).mid(8).toUtf8();
        else if (words.at(i) == u"notop")
            box.top = false;
        else if (words.at(i).startsWith(u"flags="))
            box.flags = words.at(i).mid(6).toInt(&ok, 0);
        else
            ok = false;
        if (!ok)
            refuse(number, QStringLiteral("\"%1\" ist unbekannt").arg(words.at(i)));
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (box.min[i] > box.max[i])
            std::swap(box.min[i], box.max[i]);
    }
    return box;
}

// Calls the handler with the words and number of every line that is no comment.
template<typename Handler>
void eachLine(const QString& description, Handler handler)
{
    const QStringList lines = description.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList words = wordsOf(line, i + 1);
        if (words.first() != u"entity" && words.first() != u"box")
            refuse(i + 1, QStringLiteral("\"%1\" ist unbekannt").arg(words.first()));
        handler(words, i + 1);
    }
}

QByteArray lumpsFile(const std::array<QByteArray, kLumps>& lumps)
{
    QByteArray bytes(kHeaderSize, '\0');
    bytes.replace(0, 4, "IBSP");
    putInt32(bytes, 4, 38);
    for (int i = 0; i < kLumps; ++i) {
        putInt32(bytes, 8 + i * 8, qint32(bytes.size()));
        putInt32(bytes, 12 + i * 8, qint32(lumps[std::size_t(i)].size()));
        bytes += lumps[std::size_t(i)];
    }
    return bytes;
}

} // namespace

QByteArray bspFile(QByteArrayView entityText, const std::vector<Box>& boxes)
{
    Geometry g;
    for (const Box& box : boxes)
        g.addBox(box);
    std::array<QByteArray, kLumps> lumps;
    // The game reads the entity text up to its terminating NUL.
    lumps[0] = entityText.toByteArray() + '\0';
    lumps[1] = g.planes;
    lumps[2] = g.vertices;
    lumps[5] = g.texInfo;
    lumps[6] = g.faces;
    lumps[11] = g.edges;
    lumps[12] = g.surfEdges;
    return lumpsFile(lumps);
}

std::vector<Box> boxes(const QString& description)
{
    std::vector<Box> result;
    eachLine(description, [&](const QStringList& words, int number) {
        if (words.first() == u"box")
            result.push_back(boxOf(words, number));
    });
    return result;
}

QByteArray mapFile(const QString& description)
{
    return bspFile(entityText(description), boxes(description));
}

QByteArray bspFile(QByteArrayView entityText)
{
    std::array<QByteArray, kLumps> lumps;
    lumps[0] = entityText.toByteArray() + '\0';
    return lumpsFile(lumps);
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
    eachLine(description, [&](const QStringList& words, int number) {
        if (words.first() == u"entity")
            text += entityOf(words, number);
    });
    return text;
}

} // namespace tolvex::mapwriter
