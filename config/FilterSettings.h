#pragma once

#include "level/LevelFilter.h"

namespace tolvex {

class ProfileFile;

namespace konfig {

// The overview's filter, kept in the section [Filter] of konfig.ini so the
// next start shows the same selection:
//   text=railgun  typ=DM|CTF  spieler=6  items=Quad,RG  installiert=1  ungespielt=1
// A key missing, unknown or holding a value it cannot hold leaves that part
// of the filter open; unknown item names are passed over.
[[nodiscard]] LevelFilter readFilter(const ProfileFile& ini);
// Writes the section only when it would read back otherwise, so a user who
// never filters finds no [Filter] section.
void writeFilter(ProfileFile& ini, const LevelFilter& filter);

} // namespace konfig

} // namespace tolvex
