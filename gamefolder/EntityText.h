#pragma once

#include <QByteArrayView>

#include <optional>
#include <vector>

namespace tolvex {

// One entity of a map's entity text: its key/value pairs in the order written.
// The views point into the text, which must outlive them.
struct Entity {
    struct Pair {
        QByteArrayView key;
        QByteArrayView value;
    };
    std::vector<Pair> pairs;

    // The value of the key's last occurrence, as the game keeps it; nothing when absent.
    [[nodiscard]] std::optional<QByteArrayView> value(QByteArrayView key) const;
    [[nodiscard]] QByteArrayView classname() const { return value("classname").value_or(QByteArrayView()); }
};

// The entities of an entity text, read as the game reads it: tokens are
// quoted strings (a missing closing quote ends at the end of the text) or
// words up to a blank or a brace; "//" starts a comment to the end of the
// line; each entity is "{", key/value pairs, "}". A text cut short keeps the
// entities and pairs read up to there, a key without value is dropped. Nothing
// when something other than "{" stands where an entity should begin.
[[nodiscard]] std::optional<std::vector<Entity>> parseEntities(QByteArrayView text);

// Receives the pairs of an entity text as they are read, and the end of each
// entity, so that a reader needing a few keys keeps nothing else.
class EntityVisitor {
public:
    virtual ~EntityVisitor() = default;
    virtual void pair(QByteArrayView key, QByteArrayView value) = 0;
    virtual void entityEnd() = 0;
};

// Reads the text by the rules of parseEntities and hands it to the visitor
// as it goes: the number of entities, or nothing where parseEntities gives
// nothing (the visitor has then seen the entities before the fault).
[[nodiscard]] std::optional<int> readEntities(QByteArrayView text, EntityVisitor& visitor);

} // namespace tolvex
