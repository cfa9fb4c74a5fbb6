#include "platform/dialogs/QtDialogs.h"
#include "platform/dialogs/SystemTexts.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tolvex;

namespace {

// Runs the check on the dialog that opens next, as soon as it is up.
void whenDialogOpens(const std::function<void(QWidget*)>& check)
{
    QTimer::singleShot(0, [check] {
        QWidget* dialog = nullptr;
        QTRY_VERIFY((dialog = QApplication::activeModalWidget()) != nullptr);
        check(dialog);
    });
}

FileDialogOptions gameBrowse()
{
    FileDialogOptions options;
    options.filters = {{QStringLiteral("Quake 2"), QStringLiteral("quake2; yquake2")},
                       {QStringLiteral("Programme"), QStringLiteral("*"), true},
                       {QStringLiteral("alle Dateien"), QStringLiteral("*")}};
    options.fileMustExist = true;
    return options;
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aTypedProgramNameIsTakenAsItIs()
    {
        QTemporaryDir dir;
        QFile game(dir.filePath(QStringLiteral("yquake2")));
        QVERIFY(game.open(QIODevice::WriteOnly));
        game.setPermissions(game.permissions() | QFile::ExeOwner);
        game.close();

        QtDialogs dialogs;
        whenDialogOpens([&](QWidget* dialog) {
            auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(fileDialog);
            QCOMPARE(fileDialog->nameFilters(),
                     (QStringList{QStringLiteral("Quake 2 (quake2 yquake2)"), QStringLiteral("Programme (*)"),
                                  QStringLiteral("alle Dateien (*)")}));
            fileDialog->setDirectory(dir.path());
            fileDialog->selectNameFilter(QStringLiteral("Programme (*)"));
            auto* name = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QStringLiteral("yquake2"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        QCOMPARE(dialogs.openFile(gameBrowse()), std::optional<QString>(game.fileName()));
    }

    void qtsOwnTextsFollowTheLanguage()
    {
        const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
        setSystemLanguage(SystemLanguage::German);
        QCOMPARE(cancel(), QStringLiteral("Abbrechen"));
        setSystemLanguage(SystemLanguage::English);
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
    }

    void aBoxOpensInFrontOfAWindowThatStaysOnTop()
    {
        QWidget main;
        main.show();
        QWidget overview;
        overview.setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
        overview.show();

        QtDialogs dialogs;
        whenDialogOpens([](QWidget* dialog) {
            QVERIFY(qobject_cast<QMessageBox*>(dialog));
            QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
            dialog->close();
        });
        dialogs.showError(QStringLiteral("Daten eportiert!"), QStringLiteral("Tolvex"));
    }
};

QTEST_MAIN(QtDialogsTest)
#include "qtDialogsTest.moc"
