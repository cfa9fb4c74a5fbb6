#pragma once

#include <QRect>
#include <QSize>

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
// keeping its size, with left and top at least 0; never again after. Then,
// whatever the rule, it is kept on its screen (keepOnScreen).
void setPlacement(QWidget* window, Placement placement);

// Geometry in the desktop's logical pixels with the frame included: left and
// top of the outer top-left corner, width and height of the outer size. With
// no window manager there is no frame and the client area is the whole size.
// A window that nobody moved or sized reports exactly what it was given.
[[nodiscard]] QRect outerGeometry(const QWidget* window);
void setOuterGeometry(QWidget* window, const QRect& outer);

// Smaller than this, a window has no room for its title and is lost to the user.
inline constexpr QSize kSmallestOuterSize{32, 32};

// False for a size no window should be given: below the window's minimum or kSmallestOuterSize.
[[nodiscard]] bool isUsableOuterSize(const QWidget* window, QSize outer);
// False for a geometry that lies entirely off every screen.
[[nodiscard]] bool isOnAnyScreen(const QRect& outer);

// The outer geometry moved so that it lies wholly in the area, and shrunk
// only where it is wider or taller than the area, never below `smallest`.
// What cannot shrink enough keeps its top-left corner, and with it the
// title bar, in the area.
[[nodiscard]] QRect keptInside(const QRect& outer, const QRect& area, QSize smallest);

// The work area (the screen less its panels) of the screen that holds the
// largest part of the outer geometry; the primary screen's when none does.
[[nodiscard]] QRect workAreaFor(const QRect& outer);

// Moves, and if it is larger than the work area shrinks, a window whose
// outer frame does not lie wholly in the work area of the screen holding
// most of it. A place stored on a larger screen, or designed for one, would
// otherwise leave a title bar or a toolbar where no mouse reaches it.
void keepOnScreen(QWidget* window);

} // namespace tolvex
