#pragma once

#include <QRect>

class QWidget;

namespace tolvex {

enum class Frame {
    Sizeable,          // an ordinary window
    SizeableTool,      // small title bar with a close box, sizing border
    FixedTool,         // small title bar with a close box, fixed size
    FixedNoButtons,    // fixed size, no system menu and no title-bar buttons
    None,              // no border and no title bar
};

enum class Placement {
    AsDesigned,
    CentreOnScreen,    // the primary monitor
    CentreOnDesktop,   // the whole virtual desktop
};

// Sets the frame kind and whether the window stays on top of the others.
void setFrame(QWidget* window, Frame frame, bool stayOnTop);

// The first time the window becomes visible it is centred by the rule,
// keeping its size, with left and top at least 0; never again after.
void setPlacement(QWidget* window, Placement placement);

// Geometry in screen pixels with the frame included: left and top of the
// outer top-left corner, width and height of the outer size.
[[nodiscard]] QRect outerGeometry(const QWidget* window);
void setOuterGeometry(QWidget* window, const QRect& outer);
void setOuterLeft(QWidget* window, int left);
void setOuterTop(QWidget* window, int top);
void setOuterWidth(QWidget* window, int width);
void setOuterHeight(QWidget* window, int height);

} // namespace tolvex
