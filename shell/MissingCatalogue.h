#pragma once

#include <QString>

namespace tolvex {

// A folder fresh from the release holds no catalogue yet. Before the start-up
// opens `fileName`, a missing one is offered as a new empty table; OK makes it,
// Abbrechen leaves the folder alone and the open fails as it always did.
void offerEmptyCatalogue(const QString& fileName);

} // namespace tolvex
