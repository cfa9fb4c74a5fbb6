#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tolvex {

// What a level's readme says about it, in the forms the catalogue stores:
// every character one Windows-1252 can hold ("?" for the others).
struct ReadmeFacts {
    QString title;       // the "Title" line's text, cut to the title field's size; empty when none
    int minPlayers = 0;  // both set, 1 <= min <= max, when a players line gives a range
    int maxPlayers = 0;
    QString description; // the "Description" block, its paragraphs on lines of their own

    [[nodiscard]] bool hasPlayers() const { return minPlayers > 0; }
};

// Reads a readme in UTF-8 or, when it is no valid UTF-8, Windows-1252.
// "Title: X" gives the title; the first line that speaks of players and holds
// a range ("Deathmatch 2-12 players", "Players: 4 to 8") the player range;
// "Description: ..." and the lines after it up to the next header line
// ("Label: ...", a rule of "=" or "-", "* Play Information *") the description.
[[nodiscard]] ReadmeFacts readReadme(QByteArrayView bytes);

} // namespace tolvex
