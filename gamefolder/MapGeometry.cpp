#include "gamefolder/MapGeometry.h"

#include "gamefolder/BspFile.h"
#include "gamefolder/EntityText.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapRecord.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tolvex {

namespace {

enum Lump : int { Entities = 0, Planes = 1, Vertices = 2, TexInfo = 5, Faces = 6, Edges = 11, SurfEdges = 12 };

constexpr qint64 kPlaneSize = 20;
constexpr qint64 kVertexSize = 12;
constexpr qint64 kTexInfoSize = 76;
// Faces and edges as IBSP stores them, and as QBSP does with 32-bit fields.
constexpr qint64 kFaceSize = 20;
constexpr qint64 kEdgeSize = 4;
constexpr qint64 kWideFaceSize = 28;
constexpr qint64 kWideEdgeSize = 8;
constexpr qint64 kSurfEdgeSize = 4;

// Surface flags of faces the game never draws or that are the sky.
constexpr qint32 kSurfSky = 0x4;
constexpr qint32 kSurfNoDraw = 0x80;
constexpr qint32 kSurfHint = 0x100;
constexpr qint32 kSurfSkip = 0x200;

// A face looks upward when its normal's height part is at least this, and
// stands upright when that part is smaller than this in either direction.
constexpr float kUpward = 0.3f;

// The elements of one lump, empty when the lump does not fit the file.
struct LumpData {
    QByteArray bytes;
    qint64 count = 0;

    [[nodiscard]] const char* at(qint64 index, qint64 size) const { return bytes.constData() + index * size; }
};

float floatAt(const char* p)
{
    quint32 bits = qFromLittleEndian<quint32>(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct Reader {
    enum Visibility : std::uint8_t { NotYetKnown, Visible, Hidden };

    ByteSource& source;
    QByteArray header;
    BspFormat format = BspFormat::Ibsp;
    MapGeometry result;
    std::vector<std::uint8_t> infoShown; // per texture info; many faces share one
    std::array<LumpData, kBspLumpCount> lumps;
    std::optional<QByteArray> entityText;

    void readLumps();
    [[nodiscard]] const LumpData& lump(int index) const { return lumps[std::size_t(index)]; }
    bool shown(qint64 info, const LumpData& texInfo);
    void readFaces();
    bool addFace(const char* face, const LumpData& planes, const LumpData& texInfo, const LumpData& vertices,
                 const LumpData& edges, const LumpData& surfEdges, qint64& budget);
    void readMarks();
};

// The lumps a plan needs, each read once and in the order they lie in the
// file: a packed map is then unpacked once, front to back.
void Reader::readLumps()
{
    struct Wanted {
        int index;
        qint64 elementSize;
        qint64 offset;
        qint64 length;
    };
    std::array<Wanted, 7> wanted = {{{Entities, 1, 0, 0},
                                     {Planes, kPlaneSize, 0, 0},
                                     {Vertices, kVertexSize, 0, 0},
                                     {TexInfo, kTexInfoSize, 0, 0},
                                     {Faces, format == BspFormat::Qbsp ? kWideFaceSize : kFaceSize, 0, 0},
                                     {Edges, format == BspFormat::Qbsp ? kWideEdgeSize : kEdgeSize, 0, 0},
                                     {SurfEdges, kSurfEdgeSize, 0, 0}}};
    for (Wanted& w : wanted) {
        const char* entry = header.constData() + 8 + w.index * 8;
        w.offset = qFromLittleEndian<qint32>(entry);
        w.length = qFromLittleEndian<qint32>(entry + 4);
    }
    std::sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) { return a.offset < b.offset; });
    for (const Wanted& w : wanted) {
        const bool fits = w.length % w.elementSize == 0 && (w.index != Entities || w.length <= kMaxEntityLump);
        auto bytes = fits ? source.read(w.offset, w.length) : std::nullopt;
        if (w.index == Entities) {
            if (bytes)
                entityText = untilNul(*bytes).toByteArray();
            continue;
        }
        if (!bytes) {
            ++result.skippedLumps;
            continue;
        }
        LumpData& data = lumps[std::size_t(w.index)];
        data.bytes = std::move(*bytes);
        data.count = w.length / w.elementSize;
    }
}

bool usable(const MapGeometry::Point& p)
{
    return std::abs(p.x) <= kMaxMapCoordinate && std::abs(p.y) <= kMaxMapCoordinate
        && std::abs(p.z) <= kMaxMapCoordinate; // false for NaN too
}

// Whether the texture is one the game never shows, as the brush tools name
// them; letters compared in either case.
bool hiddenTexture(const char* info)
{
    const char* name = info + 40;
    const qsizetype length = qsizetype(qstrnlen(name, 32));
    qsizetype start = 0;
    for (qsizetype i = 0; i < length; ++i) {
        if (name[i] == '/')
            start = i + 1;
    }
    const char* last = name + start;
    const qsizetype size = length - start;
    const auto startsWith = [last, size](const char* prefix, qsizetype prefixSize) {
        return size >= prefixSize && qstrnicmp(last, prefixSize, prefix, prefixSize) == 0;
    };
    return startsWith("trigger", 7) || startsWith("clip", 4) || (size == 6 && startsWith("origin", 6));
}

// The face's normal from its plane, turned for the back side; nothing for a
// plane whose normal is no unit vector.
std::optional<std::array<float, 3>> planeNormal(const char* plane, bool back)
{
    std::array<float, 3> n = {floatAt(plane), floatAt(plane + 4), floatAt(plane + 8)};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.9f && length < 1.1f))
        return std::nullopt;
    if (back) {
        for (float& c : n)
            c = -c;
    }
    return n;
}

bool Reader::shown(qint64 info, const LumpData& texInfo)
{
    std::uint8_t& known = infoShown[std::size_t(info)];
    if (known == NotYetKnown) {
        const char* texture = texInfo.at(info, kTexInfoSize);
        const qint32 flags = qFromLittleEndian<qint32>(texture + 32);
        const bool hidden = (flags & (kSurfSky | kSurfNoDraw | kSurfHint | kSurfSkip)) != 0 || hiddenTexture(texture);
        known = hidden ? Hidden : Visible;
    }
    return known == Visible;
}

bool Reader::addFace(const char* face, const LumpData& planes, const LumpData& texInfo, const LumpData& vertices,
                     const LumpData& edges, const LumpData& surfEdges, qint64& budget)
{
    const bool wide = format == BspFormat::Qbsp;
    const qint64 plane = wide ? qint64(qFromLittleEndian<quint32>(face)) : qFromLittleEndian<quint16>(face);
    const bool back = (wide ? qFromLittleEndian<qint32>(face + 4) : qFromLittleEndian<qint16>(face + 2)) != 0;
    const qint64 firstEdge = qFromLittleEndian<qint32>(face + (wide ? 8 : 4));
    const qint64 edgeCount = wide ? qFromLittleEndian<qint32>(face + 12) : qFromLittleEndian<qint16>(face + 8);
    const qint64 info = wide ? qFromLittleEndian<qint32>(face + 16) : qFromLittleEndian<qint16>(face + 10);
    if (plane >= planes.count || info < 0 || info >= texInfo.count || edgeCount < 3 || edgeCount > kMaxFaceEdges
        || firstEdge < 0 || firstEdge > surfEdges.count - edgeCount || edgeCount > budget)
        return false;
    if (!shown(info, texInfo))
        return true;
    const auto normal = planeNormal(planes.at(plane, kPlaneSize), back);
    if (!normal)
        return false;
    const bool floor = (*normal)[2] >= kUpward;
    if (!floor && std::abs((*normal)[2]) >= kUpward)
        return true; // a ceiling or an overhang: not seen from above
    const std::size_t first = result.points.size();
    double height = 0;
    for (qint64 i = 0; i < edgeCount; ++i) {
        const qint64 surfEdge = qFromLittleEndian<qint32>(surfEdges.at(firstEdge + i, kSurfEdgeSize));
        const qint64 edge = std::abs(surfEdge);
        if (edge >= edges.count)
            break;
        const char* ends = edges.at(edge, wide ? kWideEdgeSize : kEdgeSize);
        const qint64 vertex = wide ? qint64(qFromLittleEndian<quint32>(ends + (surfEdge < 0 ? 4 : 0)))
                                   : qint64(qFromLittleEndian<quint16>(ends + (surfEdge < 0 ? 2 : 0)));
        if (vertex >= vertices.count)
            break;
        const char* v = vertices.at(vertex, kVertexSize);
        const MapGeometry::Point p{floatAt(v), floatAt(v + 4), floatAt(v + 8)};
        if (!usable(p))
            break;
        result.points.push_back(p);
        height += p.z;
    }
    budget -= edgeCount;
    if (result.points.size() != first + std::size_t(edgeCount)) {
        result.points.resize(first);
        return false;
    }
    // Made in place: a face first put together on the stack and then copied
    // whole waited on its own height's store.
    result.faces.push_back({floor ? MapGeometry::Face::Kind::Floor : MapGeometry::Face::Kind::Wall,
                            float(height / double(edgeCount)), first, int(edgeCount)});
    return true;
}

void Reader::readFaces()
{
    const LumpData& planes = lump(Planes);
    const LumpData& vertices = lump(Vertices);
    const LumpData& texInfo = lump(TexInfo);
    const bool wide = format == BspFormat::Qbsp;
    const qint64 faceSize = wide ? kWideFaceSize : kFaceSize;
    const LumpData& faces = lump(Faces);
    const LumpData& edges = lump(Edges);
    const LumpData& surfEdges = lump(SurfEdges);
    // Each surface edge of a real map belongs to one face; faces that claim
    // the same ones again cannot make the reader keep more than that.
    qint64 budget = surfEdges.count;
    infoShown.assign(std::size_t(texInfo.count), NotYetKnown);
    // Both lumps are read whole, so these are sizes the file holds, not claims.
    result.faces.reserve(std::size_t(faces.count));
    result.points.reserve(std::size_t(surfEdges.count));
    for (qint64 i = 0; i < faces.count; ++i) {
        if (!addFace(faces.at(i, faceSize), planes, texInfo, vertices, edges, surfEdges, budget))
            ++result.skippedFaces;
    }
}

bool isCatalogueItem(QByteArrayView classname)
{
    return std::any_of(kItemClasses.begin(), kItemClasses.end(),
                       [&](std::string_view item) { return classname == QByteArrayView(item.data(), qsizetype(item.size())); });
}

void Reader::readMarks()
{
    const auto entities = entityText ? parseEntities(*entityText) : std::nullopt;
    if (!entities) {
        ++result.skippedLumps;
        return;
    }
    for (const Entity& entity : *entities) {
        const QByteArrayView classname = entity.classname();
        const bool spawn = classname == "info_player_deathmatch";
        if (!spawn && !isCatalogueItem(classname))
            continue;
        const QList<QByteArray> origin = entity.value("origin").value_or(QByteArrayView()).toByteArray().simplified().split(' ');
        bool okX = false;
        bool okY = false;
        const MapGeometry::Point p{origin.value(0).toFloat(&okX), origin.size() > 1 ? origin.at(1).toFloat(&okY) : 0, 0};
        if (okX && okY && usable(p))
            result.marks.push_back({spawn ? MapGeometry::Mark::Kind::Spawn : MapGeometry::Mark::Kind::Item, p.x, p.y});
    }
}

} // namespace

std::optional<MapGeometry> readMapGeometry(ByteSource& source)
{
    // Bounded before anything is read: no lump holds more than the file, and no two share bytes.
    auto header = source.size() <= kMaxMapSize ? source.read(0, kBspHeaderSize) : std::nullopt;
    const auto format = header ? bspFormat(*header) : std::nullopt;
    if (!format || lumpsOverlap(*header))
        return std::nullopt;
    Reader reader{source, std::move(*header), *format, {}, {}, {}, {}};
    reader.readLumps();
    reader.readFaces();
    reader.readMarks();
    return std::move(reader.result);
}

struct GeometryReader::Open {
    MapFiles files;
};

GeometryReader::GeometryReader() : m(std::make_unique<Open>()) {}

GeometryReader::~GeometryReader() = default;

std::optional<MapGeometry> GeometryReader::geometryOf(const GameMap& map)
{
    std::optional<MapGeometry> geometry;
    m->files.read(map, [&geometry](ByteSource& bytes) { geometry = readMapGeometry(bytes); });
    return geometry;
}

} // namespace tolvex
