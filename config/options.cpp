#include "config/options.h"

#include "config/Konfig.h"
#include "lang/WindowTexts.h"
#include "lang/translate.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/ProfileFile.h"
#include "platform/files/SafeFile.h"
#include "resources/ButtonPictures.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>

namespace tolvex {

TKonfigForm* KonfigForm = nullptr;

namespace {

// konfig.ini is Windows-1252 text: a character it cannot carry would come
// back from it as "?", so such characters are refused at the edit.
class KonfigText final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        return cp1252::representable(input) ? Acceptable : Invalid;
    }
};

QLineEdit* edit(const QString& name, const QRect& geometry, QWidget* parent)
{
    auto* e = placed(new QLineEdit(parent), name, geometry);
    e->setValidator(new KonfigText(e));
    return e;
}

// A language button is captioned in its own language, whichever language the windows show.
SpeedButton* languageButton(const QString& name, int left, const QString& text, const QString& hint, QWidget* parent)
{
    auto* button = new SpeedButton(name, parent);
    button->setGeometry(left, 160, 77, 25);
    button->setText(text);
    button->setHint(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

// A browsed path goes into an edit as it is; refuse one konfig.ini cannot hold.
QString storablePath(const QString& path)
{
    for (const QChar c : path) {
        if (!cp1252::representable(c))
            throw TolvexError(formatMessage(QStringLiteral("Das Zeichen '%s' im Pfad %s kann nicht gespeichert werden"),
                                            {QString(c), path}));
    }
    return path;
}

} // namespace

TKonfigForm::TKonfigForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("KonfigForm"));
    resize(342, 195);
    setModal(true);
    setFont(windowFont());

    Label2 = designLabel(QStringLiteral("Label2"), QString(), {20, 12}, this);
    Edit1 = edit(QStringLiteral("Edit1"), {20, 28, 285, 21}, this);
    buildSpeedButtons({{&SpeedButton1, "SpeedButton1", {308, 28, 23, 22}, buttonPicture(Picture::Browse)}}, this);

    Label1 = designLabel(QStringLiteral("Label1"), QString(), {20, 60}, this);
    Edit2 = edit(QStringLiteral("Edit2"), {20, 76, 285, 21}, this);

    Label3 = designLabel(QStringLiteral("Label3"), QString(), {20, 104}, this);
    Edit3 = edit(QStringLiteral("Edit3"), {20, 120, 285, 21}, this);
    buildSpeedButtons({{&SpeedButton2, "SpeedButton2", {308, 120, 23, 22}, buttonPicture(Picture::Browse)}}, this);

    SpeedButton3 = languageButton(QStringLiteral("SpeedButton3"), 20, QStringLiteral("deutsch"), QStringLiteral("deutsche Benutzeroberfläche"), this);

    BitBtn1 = placed(new QPushButton(buttonPicture(Picture::Ok), QStringLiteral("OK"), this), QStringLiteral("BitBtn1"), {140, 160, 75, 25});
    BitBtn1->setDefault(true);

    SpeedButton4 = languageButton(QStringLiteral("SpeedButton4"), 256, QStringLiteral("english"), QStringLiteral("english Userinterface"), this);

    SpeedButton::group({SpeedButton3, SpeedButton4});
    SpeedButton3->setDown(true);

    applyTexts(this, konfigTexts(), TextLanguage::Design);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, BitBtn1);
    setTabOrder(BitBtn1, Edit3);

    setFrame(this, Frame::FixedNoButtons, true);
    setPlacement(this, Placement::CentreOnDesktop);

    connect(SpeedButton1, &SpeedButton::clicked, this, guarded(this, &TKonfigForm::SpeedButton1Click));
    connect(SpeedButton2, &SpeedButton::clicked, this, guarded(this, &TKonfigForm::SpeedButton2Click));
    connect(SpeedButton3, &SpeedButton::clicked, this, guarded(this, &TKonfigForm::SpeedButton3Click));
    connect(SpeedButton4, &SpeedButton::clicked, this, guarded(this, &TKonfigForm::SpeedButton4Click));
    // OK closes the dialog with its result in every case, also when saving fails.
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        setResult(QDialog::Accepted);
        runGuarded([this] { BitBtn1Click(); });
        done(QDialog::Accepted);
    });
}

void TKonfigForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A restore by the window system must not refill the fields over the user's typing.
    if (!event->spontaneous())
        runGuarded([this] { FormShow(); });
}

// OK is the only way out: Escape and a close request of the window manager
// (which the frame does not offer, but some managers send all the same) end
// up here and are refused.
void TKonfigForm::reject()
{
}

void TKonfigForm::done(int result)
{
    QDialog::done(result);
    runGuarded([this] { FormClose(); });
}

void TKonfigForm::FormShow()
{
    const ProfileFile ini(KonfigPath());
    Edit1->setText(konfig::read(ini, konfig::kGame));
    Edit3->setText(konfig::read(ini, konfig::kMapList));
    Edit2->setText(konfig::read(ini, konfig::kParameters));
    const bool english = konfig::readEnglish(ini);
    SpeedButton4->setDown(english);
    SpeedButton3->setDown(!english);
}

void TKonfigForm::FormClose()
{
    Q_EMIT closed();
}

void TKonfigForm::SpeedButton1Click()
{
    FileDialogOptions options;
    options.title = QStringLiteral("Quake-Position");
    // The names the game's Linux engines go by, and the Windows ones for a
    // game run through a compatibility layer; Linux programs carry no extension.
    options.filters = {{QStringLiteral("Quake 2"), QStringLiteral("quake2; yquake2; q2pro; kmquake2; quake2.exe")},
                       {QStringLiteral("Quake 1"), QStringLiteral("quake; quakespasm; vkquake; quake.exe; glquake.exe")},
                       {QStringLiteral("Programme"), QStringLiteral("*"), true},
                       {QStringLiteral("alle Dateien"), QStringLiteral("*")}};
    options.fileMustExist = true;
    if (const auto path = Dialogs::instance().openFile(options))
        Edit1->setText(storablePath(*path));
}

void TKonfigForm::SpeedButton2Click()
{
    FileDialogOptions options;
    options.filters = {{QStringLiteral("EraserBot Maplist"), QStringLiteral("maps.txt")},
                       {QStringLiteral("Text-Dateien"), QStringLiteral("*.txt")},
                       {QStringLiteral("alle Dateien"), QStringLiteral("*")}};
    if (const auto path = Dialogs::instance().openFile(options))
        Edit3->setText(storablePath(*path));
}

void TKonfigForm::SpeedButton3Click()
{
    ApplyGerman();
}

void TKonfigForm::SpeedButton4Click()
{
    ApplyEnglish();
}

void TKonfigForm::BitBtn1Click()
{
    ProfileFile ini(KonfigPath());
    konfig::write(ini, konfig::kGame, Edit1->text());
    konfig::write(ini, konfig::kMapList, Edit3->text());
    konfig::write(ini, konfig::kParameters, Edit2->text());
    if (SpeedButton3->isDown())
        konfig::writeEnglish(ini, false);
    if (SpeedButton4->isDown())
        konfig::writeEnglish(ini, true);

    // Read back through the same file object: it sees its own pending writes.
    const konfig::LaunchButtons buttons = konfig::launchButtons(ini);
    // The buttons follow only settings that reached the disk.
    ini.flush();
    Q_EMIT mapListFileChecked(buttons.mapList);
    Q_EMIT gameFileChecked(buttons.game);
    Q_EMIT gameAndMapListChecked(buttons.bots);
}

} // namespace tolvex
