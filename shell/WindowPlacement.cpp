#include "shell/WindowPlacement.h"

#include "config/Konfig.h"
#include "platform/design/WindowFrame.h"
#include "platform/files/ProfileFile.h"

#include <QWidget>

namespace tolvex {

void restorePlacement(const ProfileFile& ini, const QString& section, QWidget* window, bool visibleByDefault)
{
    window->setVisible(ini.readBool(section, konfig::kVisible, visibleByDefault));
    QRect outer = outerGeometry(window);
    const QSize size(ini.readInteger(section, konfig::kWidth, outer.width()),
                     ini.readInteger(section, konfig::kHeight, outer.height()));
    if (isUsableOuterSize(window, size))
        outer.setSize(size);
    const QRect placed(ini.readInteger(section, konfig::kLeft, outer.left()),
                       ini.readInteger(section, konfig::kTop, outer.top()), outer.width(), outer.height());
    if (isOnAnyScreen(placed))
        outer = placed;
    setOuterGeometry(window, outer);
}

void storePlacement(ProfileFile& ini, const QString& section, const QWidget* window)
{
    const QRect outer = outerGeometry(window);
    ini.writeBool(section, konfig::kVisible, window->isVisible());
    ini.writeInteger(section, konfig::kWidth, outer.width());
    ini.writeInteger(section, konfig::kHeight, outer.height());
    ini.writeInteger(section, konfig::kLeft, outer.left());
    ini.writeInteger(section, konfig::kTop, outer.top());
}

} // namespace tolvex
