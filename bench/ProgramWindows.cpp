#include "bench/ProgramWindows.h"

#include "bench/BenchData.h"
#include "catalogue/LevelTable.h"
#include "common/toolbox.h"
#include "overview/tabelle.h"
#include "platform/design/Fonts.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/pictures/JpegImage.h"
#include "shell/WindowSet.h"
#include "tests/support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <stdexcept>

namespace tolvex::bench {

std::unique_ptr<ProgramWindows> ProgramWindows::s_instance;

ProgramWindows& ProgramWindows::instance()
{
    if (!s_instance)
        s_instance.reset(new ProgramWindows);
    return *s_instance;
}

void ProgramWindows::closeAll()
{
    s_instance.reset();
}

ProgramWindows::ProgramWindows()
    : m_previousCurrent(QDir::currentPath())
{
    const QString folder = workPath(QStringLiteral("program"));
    QDir().mkpath(folder + QStringLiteral("/screens"));
    // The picture the program expects beside it; only its presence matters here.
    QImage small(64, 48, QImage::Format_RGB32);
    small.fill(Qt::darkGray);
    saveJpeg(small, folder + QStringLiteral("/nopic.jpg"));
    if (!QFile::copy(catalogueCopy(QStringLiteral("program"), kLargest), folder + QStringLiteral("/maps.DB")))
        throw std::runtime_error("cannot place the catalogue");

    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    Dialogs::install(std::move(dialogs));
    installFontSubstitutes();
    overrideProgramDir(folder);
    QDir::setCurrent(folder);
    createWindowSet();
    Form1->Table1->open();
    // A row of records in key order gets the screenshot, each a file of its
    // own; the record changes walk along it.
    for (int recNo = kFirstPictured; recNo < kFirstPictured + kPictured; ++recNo) {
        const QString name = Form1->Table1->textAt(recNo - 1, Field::Datei);
        QFile::copy(screenshotFile(), folder + QStringLiteral("/screens/") + name + QStringLiteral(".jpg"));
    }
}

ProgramWindows::~ProgramWindows()
{
    destroyWindowSet();
    overrideProgramDir({});
    QDir::setCurrent(m_previousCurrent);
}

QString ProgramWindows::takeErrors() const
{
    QStringList texts;
    for (const ScriptedDialogs::Shown& shown : m_dialogs->take())
        texts << shown.text;
    return texts.join(QStringLiteral("; "));
}

} // namespace tolvex::bench
