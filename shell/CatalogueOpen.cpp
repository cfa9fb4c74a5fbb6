#include "shell/CatalogueOpen.h"

#include "catalogue/LevelTable.h"
#include "lang/translate.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/Dialogs.h"

namespace tolvex {

void openCatalogue(LevelTable& table)
{
    if (isParadoxTable(table.fileName()) && Dialogs::instance().confirm(MsgParadox, QStringLiteral("Bestätigung")))
        convertParadoxCatalogue(table.fileName());
    table.open();
}

} // namespace tolvex
