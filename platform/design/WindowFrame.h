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
// keeping its size, with left and top at least 0; never again after.
void setPlacement(QWidget* window, Placement placement);

// Geometry in the desktop's logical pixels with the frame included: left and
// top of the outer top-left corner, width and height of the outer size. With
// no window manager there is no frame and the client area is the whole size.
// A window that nobody moved or sized reports exactly what it was given.
[[nodiscard]] QRect outerGeometry(const QWidget* window);
void setOuterGeometry(QWidget* window, const QRect& outer);
void setOuterLeft(QWidget* window, int left);
void setOuterTop(QWidget* window, int top);
void setOuterWidth(QWidget* window, int width);
void setOuterHeight(QWidget* window, int height);

// Smaller than this, a window has no room for its title and is lost to the user.
inline constexpr QSize kSmallestOuterSize{32, 32};

// False for a size no window should be given: below the window's minimum or kSmallestOuterSize.
[[nodiscard]] bool isUsableOuterSize(const QWidget* window, QSize outer);
// False for a geometry that lies entirely off every screen.
[[nodiscard]] bool isOnAnyScreen(const QRect& outer);

} // namespace tolvex
