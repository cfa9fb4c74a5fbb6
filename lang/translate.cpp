#include "lang/translate.h"

#include "about/info.h"
#include "common/Product.h"
#include "platform/DBNavigator.h"
#include "platform/SystemTexts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWidget>

namespace tolvex {

QString MsgExported = QStringLiteral("Daten eportiert!");
QString MsgImported = QStringLiteral("Import abgeschlossen");
QString MsgRecord = QStringLiteral("Datensatz:");

namespace {

enum class Property { Caption, Hint };

struct Target {
    const char* control; // nullptr: the window itself
    Property property;
    const char* german;
    const char* english;
};

struct Line {
    const char* memo;
    int line;
    const char* german;
    const char* english;
};

// Looked up by name, so that the language tables need no window's header.
QWidget* window(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name))
            return w;
    }
    return nullptr;
}

void setCaption(QObject* target, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(target)) {
        // Labels are sized to their text: a longer English caption must not be cut off.
        label->setText(text);
        label->adjustSize();
    } else if (auto* group = qobject_cast<QGroupBox*>(target))
        group->setTitle(text);
    else if (auto* menu = qobject_cast<QMenu*>(target))
        menu->setTitle(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->setText(text);
    else if (auto* widget = qobject_cast<QWidget*>(target))
        widget->setWindowTitle(text);
}

void apply(const char* windowName, std::initializer_list<Target> targets, bool english)
{
    QWidget* w = window(windowName);
    if (!w)
        return;
    for (const Target& t : targets) {
        const QString text = QString::fromUtf8(english ? t.english : t.german);
        QObject* target = t.control ? w->findChild<QObject*>(QLatin1String(t.control)) : w;
        if (!target)
            continue;
        if (t.property == Property::Hint) {
            if (auto* widget = qobject_cast<QWidget*>(target))
                widget->setToolTip(text);
        } else if (!t.control) {
            w->setWindowTitle(text);
        } else {
            setCaption(target, text);
        }
    }
}

void applyLines(std::initializer_list<Line> lines, bool english)
{
    QWidget* w = window("infoform");
    if (!w)
        return;
    for (const Line& l : lines) {
        if (auto* memo = w->findChild<QPlainTextEdit*>(QLatin1String(l.memo)))
            setMemoLine(memo, l.line, QString::fromUtf8(english ? l.english : l.german));
    }
}

void applyLanguage(bool english)
{
    using P = Property;
    apply("Form2",
          {
              {"Xdateiname", P::Caption, "Datei-Name", "Filename"},
              {"Xlevelname", P::Caption, "Level-Name", "Levelname"},
              {"XohneEndung", P::Caption, "(ohne Endung)", "(no extension)"},
              {"XSpieler", P::Caption, "Spieler Information", "Player information"},
              {"Xmin", P::Caption, "minimale Spielerzahl:", "Minimum of Players:"},
              {"Xmax", P::Caption, "maximale Spielerzahl:", "Maximum of Players:"},
              {"XLevelTyp", P::Caption, "Level Typ", "Leveltype"},
              {"XBeschreibung", P::Caption, "Beschreibung", "Description"},
              {"XWaffen", P::Caption, "vorhandene Items", "Existing items"},
              {"SpeedButton9", P::Hint, "zufälliges Level wählen", "choose random Map"},
              {"SpeedButton7", P::Hint, "Quake mit EraserBot und diesem Level starten", "Start Quake with EraserBot and this Level"},
              {"SpeedButton5", P::Hint, "Quake mit diesem Level starten", "Start Quake with this Level"},
              {"SpeedButton4", P::Hint, "EraserBot Maplist editieren", "Edit the EraserBot Maplist"},
              {"SpeedButton2", P::Hint, "Dateiname in Zwischenablage einfügen", "Copy Filename into Clipboard"},
              {"SpeedButton6", P::Hint, "Tabellenansicht", "View Index"},
              {"SpeedButton8", P::Hint, "Informationen", "Informations"},
              {"SpeedButton3", P::Hint, "Konfiguration", "Configuration"},
              {"SpeedButton1", P::Hint, "Programm beenden", "Close Program"},
              {"wenig1", P::Caption, "wenig", "less"},
              {"mittel1", P::Caption, "mittel", "medium"},
              {"viel1", P::Caption, "viel", "more"},
              {"Label7", P::Hint, "Besuche die Tolvex-Webseite", "Visit the Tolvex-Website"},
          },
          english);
    apply("Form1",
          {
              {"SpeedButton1", P::Hint, "Levelübersicht drucken", "Print Level survey"},
              {"SpeedButton3", P::Hint, "Levelliste exportieren", "Export Levelindex"},
              {"SpeedButton4", P::Hint, "Leveldaten importieren", "Import Levelindex"},
              {"SpeedButton2", P::Hint, "Levelübersicht schließen", "Close Level survey"},
              {"Edit1", P::Hint, "Suchschlüssel", "Search"},
              {nullptr, P::Caption, "Levelübersicht", "Level survey"},
          },
          english);
    apply("mapform",
          {
              {"SpeedButton1", P::Hint, "Level hinzufügen", "Add Level"},
              {"SpeedButton2", P::Hint, "Level entfernen", "Delete Level"},
              {"SpeedButton3", P::Hint, "Fenster schließen und speichern", "Save and quit"},
              {"SpeedButton4", P::Hint, "Fenster schließen ohne Speichern", "Quit without saving"},
          },
          english);

    const QByteArray web = QByteArray(kWebAddress);
    const QByteArray germanLine2 = "das Programm nicht. Die BDE kann unter " + web;
    const QByteArray englishLine3 = web + " for free.";
    applyLines(
        {
            {"Memo1", 0, "Tolvex ist Freeware: Sie dürfen es kostenlos nutzen und", "Tolvex is freeware: you may use it free of charge and"},
            {"Memo1", 1, "unverändert weitergeben. Für Schäden durch die Nutzung", "pass it on unchanged. The author accepts no liability"},
            {"Memo1", 2, "übernimmt der Autor keine Haftung. Der Verkauf des", "for damage caused by its use. Selling it is not allowed."},
            {"Memo1", 3, "Programms ist nicht gestattet. Ohne Zustimmung hierzu:", "If you do not agree to these terms, do not use Tolvex."},
            {"Memo1", 4, "Nutzung des Programms ist untersagt!", ""},
            {"Memo2", 0, "Tolvex verwendet die Borland Database Engine 5 zur Verwaltung der", "Tolvex uses the  Borland Database Engine 5 for the administration"},
            {"Memo2", 1, "Level-Daten. Ist die BDE nicht auf dem System installiert, funktioniert", "of the Level Data. If the BDE is not installed on your system,"},
            {"Memo2", 2, germanLine2.constData(), "Tolvex won\u00b4t work. The BDE can be downloaded from"},
            {"Memo2", 3, "kostenlos bezogen bezogen werden.", englishLine3.constData()},
            {"Memo4", 0, "Quake, Quake 2 und das stilisierte Q sind registrierte Markenzeichen", "Quake, Quake 2 and the stylized Q are registered Trademarks"},
            {"Memo4", 1, "der ID-Software Corporation.", "of the ID-Software Corporation."},
        },
        english);

    apply("KonfigForm",
          {
              {nullptr, P::Caption, "Konfiguration", "Configuration"},
              {"Label2", P::Caption, "Quake-Position (z.B c:\\quake2\\quake2.exe):", "Position of Quake (e.g. c:\\quake2\\quake2.exe):"},
              {"Label1", P::Caption, "zusätzliche Kommandozeilenparameter (z.B +set dmflags 20):", "Optional Console Parameters (e.g. +set dmflags 20):"},
              {"Label3", P::Caption, "EraserBot Maplist (z.B c:\\quake2\\eraser\\maps.txt):", "EraserBot Maplist (e.g. c:\\quake2\\eraser\\maps.txt):"},
          },
          english);

    if (QWidget* main = window("Form2")) {
        if (auto* navigator = main->findChild<DBNavigator*>(QStringLiteral("DBNavigator1"))) {
            navigator->setHints(english ? QStringList{"First Entry", "Previous Entry", "Next Entry", "Last Entry", "Enter new Data",
                                                      "Delete Entry", "Edit Entry", "Accept", "Cancel", "Actualize Data"}
                                        : QStringList{"Erster Datensatz", "Vorheriger Datensatz", "Nächster Datensatz", "Letzter Datensatz",
                                                      "Datensatz einfügen", "Datensatz löschen", "Datensatz bearbeiten", "Übernehmen",
                                                      "Bearbeiten abbrechen", "Daten aktualisieren"});
        }
    }

    MsgExported = english ? QStringLiteral("Data exported!") : QStringLiteral("Daten eportiert!");
    MsgImported = english ? QStringLiteral("Import finished!") : QStringLiteral("Import abgeschlossen");
    MsgRecord = english ? QStringLiteral("Record:") : QStringLiteral("Datensatz:");
    setSystemLanguage(english ? SystemLanguage::English : SystemLanguage::German);
}

} // namespace

void ApplyEnglish()
{
    applyLanguage(true);
}

void ApplyGerman()
{
    applyLanguage(false);
}

} // namespace tolvex
