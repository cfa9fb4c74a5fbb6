#pragma once

#include <QFlags>

class QWidget;

namespace tolvex {

enum class Anchor {
    Left = 0x1,
    Top = 0x2,
    Right = 0x4,
    Bottom = 0x8,
};
Q_DECLARE_FLAGS(Anchors, Anchor)
Q_DECLARE_OPERATORS_FOR_FLAGS(Anchors)

// Keeps a child at its design distances from the anchored edges of its
// parent when the parent is resized: anchored left and right it stretches,
// anchored right only it follows the right edge, and likewise vertically.
// The distances are those at the moment of the call, so place the child
// and size the parent to their design geometry first.
void setAnchors(QWidget* child, Anchors anchors);

} // namespace tolvex
