#include "tests/support/ProgramFolder.h"

#include "about/splashunit.h"
#include "catalogue/LevelTable.h"
#include "common/toolbox.h"
#include "config/options.h"
#include "platform/design/Fonts.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/pictures/PictureBox.h"
#include "shell/EingabeMaske.h"
#include "shell/WindowSet.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestCatalogue.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tolvex {

ProgramFolder::ProgramFolder()
    : m_previousCurrent(QDir::currentPath())
    , m_dialogs(new ScriptedDialogs)
{
    Dialogs::install(std::unique_ptr<Dialogs>(m_dialogs));
    installFontSubstitutes();
    overrideProgramDir(m_dir.path());
    QDir::setCurrent(m_dir.path());
    QDir(m_dir.path()).mkdir(QStringLiteral("screens"));
    // The pictures the program expects beside it, made by the build.
    for (const char* picture : {"nopic.jpg"}) {
        const QString built = QStringLiteral(TOLVEX_PICTURES_DIR "/") + QLatin1String(picture);
        QFile::copy(built, path(QLatin1String(picture)));
    }
}

ProgramFolder::~ProgramFolder()
{
    stop();
    QDir::setCurrent(m_previousCurrent);
    overrideProgramDir({});
}

void ProgramFolder::stop()
{
    if (std::exchange(m_started, false))
        destroyWindowSet();
}

QString ProgramFolder::path(const QString& name) const
{
    return name.isEmpty() ? m_dir.path() + u'/' : m_dir.filePath(name);
}

void ProgramFolder::makeCatalogue(const std::vector<QStringList>& records) const
{
    newCatalogue(path(QStringLiteral("maps.DB")), records)->close();
}

void ProgramFolder::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write test file");
    f.write(bytes);
}

QByteArray ProgramFolder::readFile(const QString& name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ProgramFolder::start()
{
    createWindowSet();
    m_started = true;
    // Modal windows come up inside the main window's show: answer them from the event loop.
    auto* watcher = new QTimer(Form2);
    watcher->setInterval(20);
    QObject::connect(watcher, &QTimer::timeout, Form2, [this] {
        if (splash->isVisible()) {
            if (!leaveSplash)
                QTest::mouseClick(splash->Image1, Qt::LeftButton, {}, QPoint(10, 10));
        } else if (KonfigForm->isVisible()) {
            if (onKonfigDialog)
                onKonfigDialog();
            else
                KonfigForm->BitBtn1->click();
        }
    });
    watcher->start();
    Form2->show();
}

QStringList levelRecord(const QString& datei, const QString& level, const QString& typ, const QString& minPlayers,
                        const QString& maxPlayers)
{
    return {datei, level, typ, minPlayers, maxPlayers, QString(), QStringLiteral("Falsch"), QStringLiteral("Falsch"),
            QStringLiteral("Wahr"), QStringLiteral("Wahr"), QString(), QString(), QString()};
}

} // namespace tolvex
