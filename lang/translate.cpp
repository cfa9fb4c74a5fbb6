#include "lang/translate.h"

#include "lang/WindowTexts.h"
#include "platform/dialogs/SystemTexts.h"

#include <QApplication>
#include <QWidget>

namespace tolvex {

QString MsgExported = QStringLiteral("Daten eportiert!");
QString MsgImported = QStringLiteral("Import abgeschlossen");
QString MsgRecord = QStringLiteral("Datensatz:");
QString MsgFiltered = QStringLiteral("(Filter)");
QString MsgStartNotRecorded = QStringLiteral("Das Spiel wurde gestartet, der Start aber nicht in %s vermerkt: %s");
namespace {

CountedText germanLevelsAdded()
{
    // "Level" is the same word for one and for many.
    const QString text = QStringLiteral("%d Level übernommen, %d schon im Katalog, %d übersprungen.");
    return {text, text};
}

CountedText germanPlansMade()
{
    return {QStringLiteral("%d Vorschaubild erstellt."), QStringLiteral("%d Vorschaubilder erstellt.")};
}

CountedText germanFilesInstalled()
{
    return {QStringLiteral("%d Datei nach %s installiert"), QStringLiteral("%d Dateien nach %s installiert")};
}

CountedText germanArchiveLevels()
{
    return {QStringLiteral(", %d Level übernommen"), QStringLiteral(", %d Level übernommen")};
}

CountedText germanArchivePlans()
{
    return {QStringLiteral(", %d Vorschaubild erstellt."), QStringLiteral(", %d Vorschaubilder erstellt.")};
}

} // namespace

CountedText MsgLevelsAdded = germanLevelsAdded();
QString MsgParadox = QStringLiteral("maps.DB ist eine Tabelle im alten Paradox-Format. Jetzt übernehmen? "
                                    "Die alten Dateien bleiben im Ordner 'paradox' erhalten.");
CountedText MsgPlansMade = germanPlansMade();
QString MsgSearched = QStringLiteral("Durchsucht: %s");
CountedText MsgFilesInstalled = germanFilesInstalled();
CountedText MsgArchiveLevels = germanArchiveLevels();
CountedText MsgArchivePlans = germanArchivePlans();
QString MsgArchiveLeftOut = QStringLiteral("%s: nichts installiert.");
QString MsgReplaceFiles = QStringLiteral("%s gibt es schon mit anderem Inhalt. Ersetzen?");
QString MsgNoCatalogue = QStringLiteral("Im Ordner %s gibt es noch keinen Level-Katalog maps.DB. Einen leeren anlegen?");
QString MsgScanningGame = QStringLiteral("Spielordner wird durchsucht: %d Karten gefunden");
QString MsgAddingLevels = QStringLiteral("Levels werden übernommen");
QString MsgDrawingPlans = QStringLiteral("Vorschaubilder werden gezeichnet");
QString MsgCancelWork = QStringLiteral("Abbrechen");
QString MsgAddCancelled = QStringLiteral("Übernahme abgebrochen.");
QString MsgPlansFailed = QStringLiteral("Die Vorschaubilder konnten nicht gespeichert werden: %s.");

namespace {

// Looked up by name, so that the language tables need no window's header.
QWidget* window(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name))
            return w;
    }
    return nullptr;
}

void apply(const char* windowName, const std::vector<DesignText>& texts, TextLanguage language)
{
    if (QWidget* w = window(windowName))
        applyTexts(w, texts, language);
}

void applyLanguage(bool english)
{
    const TextLanguage language = english ? TextLanguage::English : TextLanguage::German;
    apply("Form2", mainWindowTexts(), language);
    apply("Form1", overviewTexts(), language);
    apply("mapform", mapListTexts(), language);
    apply("infoform", infoTexts(), language);
    apply("KonfigForm", konfigTexts(), language);

    MsgExported = english ? QStringLiteral("Data exported!") : QStringLiteral("Daten eportiert!");
    MsgImported = english ? QStringLiteral("Import finished!") : QStringLiteral("Import abgeschlossen");
    MsgRecord = english ? QStringLiteral("Record:") : QStringLiteral("Datensatz:");
    MsgFiltered = english ? QStringLiteral("(filter)") : QStringLiteral("(Filter)");
    MsgStartNotRecorded = english ? QStringLiteral("The game was started, but the start was not recorded in %s: %s")
                                  : QStringLiteral("Das Spiel wurde gestartet, der Start aber nicht in %s vermerkt: %s");
    MsgLevelsAdded = english ? CountedText{QStringLiteral("%d level added, %d already in the catalogue, %d skipped."),
                                           QStringLiteral("%d levels added, %d already in the catalogue, %d skipped.")}
                             : germanLevelsAdded();
    MsgParadox = english ? QStringLiteral("maps.DB is a table in the old Paradox format. Take it over now? "
                                          "The old files are kept in the folder 'paradox'.")
                         : QStringLiteral("maps.DB ist eine Tabelle im alten Paradox-Format. Jetzt übernehmen? "
                                          "Die alten Dateien bleiben im Ordner 'paradox' erhalten.");
    MsgPlansMade = english ? CountedText{QStringLiteral("%d preview picture made."), QStringLiteral("%d preview pictures made.")}
                           : germanPlansMade();
    MsgSearched = english ? QStringLiteral("Searched: %s") : QStringLiteral("Durchsucht: %s");
    MsgFilesInstalled = english ? CountedText{QStringLiteral("%d file installed into %s"), QStringLiteral("%d files installed into %s")}
                                : germanFilesInstalled();
    MsgArchiveLevels = english ? CountedText{QStringLiteral(", %d level added"), QStringLiteral(", %d levels added")}
                               : germanArchiveLevels();
    MsgArchivePlans = english ? CountedText{QStringLiteral(", %d preview picture made."), QStringLiteral(", %d preview pictures made.")}
                              : germanArchivePlans();
    MsgArchiveLeftOut = english ? QStringLiteral("%s: nothing installed.") : QStringLiteral("%s: nichts installiert.");
    MsgReplaceFiles = english ? QStringLiteral("Other content is there already for %s. Replace?")
                              : QStringLiteral("%s gibt es schon mit anderem Inhalt. Ersetzen?");
    MsgNoCatalogue = english ? QStringLiteral("There is no level catalogue maps.DB in %s yet. Create an empty one?")
                             : QStringLiteral("Im Ordner %s gibt es noch keinen Level-Katalog maps.DB. Einen leeren anlegen?");
    MsgScanningGame = english ? QStringLiteral("Searching the game folder: %d maps found") : QStringLiteral("Spielordner wird durchsucht: %d Karten gefunden");
    MsgAddingLevels = english ? QStringLiteral("Adding levels") : QStringLiteral("Levels werden übernommen");
    MsgDrawingPlans = english ? QStringLiteral("Drawing preview pictures") : QStringLiteral("Vorschaubilder werden gezeichnet");
    MsgCancelWork = english ? QStringLiteral("Cancel") : QStringLiteral("Abbrechen");
    MsgAddCancelled = english ? QStringLiteral("Add cancelled.") : QStringLiteral("Übernahme abgebrochen.");
    MsgPlansFailed = english ? QStringLiteral("The preview pictures could not be saved: %s.") : QStringLiteral("Die Vorschaubilder konnten nicht gespeichert werden: %s.");
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
