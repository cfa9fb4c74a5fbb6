#include "platform/design/Fonts.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/dialogs/SystemTexts.h"
#include "resources/ProgramIcon.h"
#include "shell/EingabeMaske.h"
#include "shell/WindowSet.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvex"));
    QApplication::setWindowIcon(tolvex::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(TOLVEX_APP_ID));
    // The main window's close ends the program, whatever tool windows are open.
    QApplication::setQuitOnLastWindowClosed(false);
    tolvex::Dialogs::install(std::make_unique<tolvex::QtDialogs>());
    tolvex::installFontSubstitutes();
    // The interface starts in German; so do Qt's own dialogs.
    tolvex::setSystemLanguage(tolvex::SystemLanguage::German);

    tolvex::createWindowSet();
    tolvex::Form2->show();
    const int result = QApplication::exec();
    tolvex::destroyWindowSet();
    return result;
}
