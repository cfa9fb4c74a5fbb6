#include "platform/Dialogs.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvex"));
    tolvex::Dialogs::install(std::make_unique<tolvex::QtDialogs>());

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tolvex - Kestrowan"));
    window.resize(648, 480);
    window.show();
    return QApplication::exec();
}
