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

} // namespace tolvex
