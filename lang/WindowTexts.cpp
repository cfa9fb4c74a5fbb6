#include "lang/WindowTexts.h"

#include "common/Product.h"

namespace tolvex {

namespace {

using R = TextRole;

// A notice line as the window is built with it: one blank more than the German line.
DesignText noticeLine(const char* memo, int line, const QString& german, const QString& english)
{
    return {memo, R::MemoLine, german, english, german + u' ', line};
}

DesignText lastNoticeLine(const char* memo, int line, const QString& german, const QString& english)
{
    return {memo, R::MemoLine, german, english, {}, line};
}

DesignText navigatorHint(int button, const QString& german, const QString& english)
{
    return {"DBNavigator1", R::NavigatorHint, german, english, {}, button};
}

} // namespace

const std::vector<DesignText>& mainWindowTexts()
{
    static const std::vector<DesignText> texts = {
        {"Xdateiname", R::Caption, "Datei-Name", "Filename"},
        {"Xlevelname", R::Caption, "Level-Name", "Levelname"},
        {"XohneEndung", R::Caption, "(ohne Endung)", "(no extension)", "(ohne Endung!)"},
        {"XSpieler", R::Caption, "Spieler Information", "Player information"},
        {"Xmin", R::Caption, "minimale Spielerzahl:", "Minimum of Players:"},
        {"Xmax", R::Caption, "maximale Spielerzahl:", "Maximum of Players:"},
        {"XLevelTyp", R::Caption, "Level Typ", "Leveltype"},
        {"XBeschreibung", R::Caption, "Beschreibung", "Description"},
        {"XWaffen", R::Caption, "vorhandene Items", "Existing items"},
        {"SpeedButton9", R::Hint, "zufälliges Level wählen", "choose random Map"},
        {"SpeedButton7", R::Hint, "Quake mit EraserBot und diesem Level starten", "Start Quake with EraserBot and this Level"},
        {"SpeedButton5", R::Hint, "Quake mit diesem Level starten", "Start Quake with this Level"},
        {"SpeedButton4", R::Hint, "EraserBot Maplist editieren", "Edit the EraserBot Maplist"},
        {"SpeedButton2", R::Hint, "Dateiname in Zwischenablage einfügen", "Copy Filename into Clipboard"},
        {"SpeedButton6", R::Hint, "Tabellenansicht", "View Index"},
        {"SpeedButton8", R::Hint, "Informationen", "Informations"},
        {"SpeedButton3", R::Hint, "Konfiguration", "Configuration"},
        {"SpeedButton1", R::Hint, "Programm beenden", "Close Program"},
        {"wenig1", R::Caption, "wenig", "less"},
        {"mittel1", R::Caption, "mittel", "medium"},
        {"viel1", R::Caption, "viel", "more"},
        {"Label7", R::Hint, "Besuche die Tolvex-Webseite", "Visit the Tolvex-Website"},
        navigatorHint(0, "Erster Datensatz", "First Entry"),
        navigatorHint(1, "Vorheriger Datensatz", "Previous Entry"),
        navigatorHint(2, "Nächster Datensatz", "Next Entry"),
        navigatorHint(3, "Letzter Datensatz", "Last Entry"),
        navigatorHint(4, "Datensatz einfügen", "Enter new Data"),
        navigatorHint(5, "Datensatz löschen", "Delete Entry"),
        navigatorHint(6, "Datensatz bearbeiten", "Edit Entry"),
        navigatorHint(7, "Übernehmen", "Accept"),
        navigatorHint(8, "Bearbeiten abbrechen", "Cancel"),
        navigatorHint(9, "Daten aktualisieren", "Actualize Data"),
    };
    return texts;
}

const std::vector<DesignText>& overviewTexts()
{
    static const std::vector<DesignText> texts = {
        {"SpeedButton1", R::Hint, "Levelübersicht drucken", "Print Level survey"},
        {"SpeedButton3", R::Hint, "Levelliste exportieren", "Export Levelindex"},
        {"SpeedButton4", R::Hint, "Leveldaten importieren", "Import Levelindex"},
        {"SpeedButton5", R::Hint, "Levels aus dem Spielordner übernehmen", "Add levels from the game folder"},
        {"SpeedButton6", R::Hint, "Level-Archiv installieren", "Install a level archive"},
        {"SpeedButton2", R::Hint, "Levelübersicht schließen", "Close Level survey"},
        {"Edit1", R::Hint, "Suchschlüssel", "Search"},
        {"Label1", R::Caption, "Enthält:", "Contains:"},
        {"FilterText", R::Hint, "Text in Datei-Name, Level-Name oder Beschreibung", "Text in file name, level name or description"},
        {"FilterType", R::Hint, "Level Typ", "Leveltype"},
        {"FilterType", R::ListItem, "alle", "all", {}, 0},
        {"Label2", R::Caption, "Spieler:", "Players:"},
        {"FilterPlayers", R::Hint, "Spielerzahl, für die das Level passt", "Number of players the level suits"},
        {"FilterClear", R::Caption, "Filter aus", "Clear filter"},
        {"FilterClear", R::Hint, "Alle Level zeigen", "Show every level"},
        {"FilterQuad", R::Hint, "nur Level mit Quad Damage", "only levels with Quad Damage"},
        {"FilterInvul", R::Hint, "nur Level mit Invulnerability", "only levels with Invulnerability"},
        {"FilterGL", R::Hint, "nur Level mit Granatwerfer", "only levels with Grenade Launcher"},
        {"FilterRL", R::Hint, "nur Level mit Raketenwerfer", "only levels with Rocket Launcher"},
        {"FilterHB", R::Hint, "nur Level mit Hyperblaster", "only levels with Hyperblaster"},
        {"FilterRG", R::Hint, "nur Level mit Railgun", "only levels with Railgun"},
        {"FilterBFG", R::Hint, "nur Level mit BFG", "only levels with BFG"},
        {"FilterInstalled", R::Caption, "nur installierte", "installed only"},
        {"FilterNeverPlayed", R::Caption, "nie gespielt", "never played"},
        {"DBGrid1", R::ColumnTitle, "Zuletzt gespielt", "Last played", {}, 13},
        {"DBGrid1", R::ColumnTitle, "Gespielt", "Played", {}, 14},
        {nullptr, R::Caption, "Levelübersicht", "Level survey"},
    };
    return texts;
}

const std::vector<DesignText>& mapListTexts()
{
    static const std::vector<DesignText> texts = {
        {"SpeedButton1", R::Hint, "Level hinzufügen", "Add Level"},
        {"SpeedButton2", R::Hint, "Level entfernen", "Delete Level"},
        {"SpeedButton3", R::Hint, "Fenster schließen und speichern", "Save and quit"},
        {"SpeedButton4", R::Hint, "Fenster schließen ohne Speichern", "Quit without saving"},
    };
    return texts;
}

const std::vector<DesignText>& infoTexts()
{
    const QString web = QString::fromLatin1(kWebAddress);
    static const std::vector<DesignText> texts = {
        noticeLine("Memo1", 0, "Tolvex ist Freeware: Sie dürfen es kostenlos nutzen und", "Tolvex is freeware: you may use it free of charge and"),
        noticeLine("Memo1", 1, "unverändert weitergeben. Für Schäden durch die Nutzung", "pass it on unchanged. The author accepts no liability"),
        noticeLine("Memo1", 2, "übernimmt der Autor keine Haftung. Der Verkauf des", "for damage caused by its use. Selling it is not allowed."),
        noticeLine("Memo1", 3, "Programms ist nicht gestattet. Ohne Zustimmung hierzu:", "If you do not agree to these terms, do not use Tolvex."),
        lastNoticeLine("Memo1", 4, "Nutzung des Programms ist untersagt!", ""),
        noticeLine("Memo2", 0, "Tolvex speichert die Level-Daten in der SQLite-Datei maps.DB im",
                   "Tolvex keeps the level data in the SQLite file maps.DB, in the"),
        noticeLine("Memo2", 1, "Ordner, in dem es startet. Jedes SQLite-Programm kann sie lesen und",
                   "folder it is started in. Any SQLite program can read and edit it,"),
        noticeLine("Memo2", 2, "bearbeiten, z.B. sqlite3. Mehr unter " + web, "e.g. sqlite3. More about it in the file README.txt and at"),
        lastNoticeLine("Memo2", 3, "und in der Datei LIESMICH.txt.", web + "."),
        noticeLine("Memo4", 0, "Quake, Quake 2 und das stilisierte Q sind registrierte Markenzeichen",
                   "Quake, Quake 2 and the stylized Q are registered Trademarks"),
        lastNoticeLine("Memo4", 1, "der ID-Software Corporation.", "of the ID-Software Corporation."),
    };
    return texts;
}

const std::vector<DesignText>& konfigTexts()
{
    static const std::vector<DesignText> texts = {
        {nullptr, R::Caption, "Konfiguration", "Configuration"},
        {"Label2", R::Caption, "Quake-Position (z.B /usr/games/quake2):", "Position of Quake (e.g. /usr/games/quake2):"},
        {"Label1", R::Caption, "zusätzliche Kommandozeilenparameter (z.B +set dmflags 20):", "Optional Console Parameters (e.g. +set dmflags 20):"},
        {"Label3", R::Caption, "EraserBot Maplist (z.B ~/.yq2/eraser/maps.txt):", "EraserBot Maplist (e.g. ~/.yq2/eraser/maps.txt):"},
    };
    return texts;
}

} // namespace tolvex
