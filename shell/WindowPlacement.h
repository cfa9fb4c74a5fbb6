#pragma once

#include <QString>

class QWidget;

namespace tolvex {

class ProfileFile;

// Reads a window's placement from its section of konfig.ini and applies it:
// visibility first (a window shown now runs its show handler and is centred
// by its rule), then its outer geometry, each value defaulting to the current
// one. A size the window cannot have or a position off every screen counts
// as missing, so that it is never stored back; a place partly off its screen
// is moved onto it, and the moved place is what is stored later.
void restorePlacement(const ProfileFile& ini, const QString& section, QWidget* window, bool visibleByDefault);

// Writes the window's visibility and outer geometry to its section.
void storePlacement(ProfileFile& ini, const QString& section, const QWidget* window);

} // namespace tolvex
