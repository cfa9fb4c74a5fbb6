#include "shell/WindowSet.h"

#include "about/info.h"
#include "about/splashunit.h"
#include "config/options.h"
#include "maplist/maplister.h"
#include "overview/tabelle.h"
#include "shell/EingabeMaske.h"

namespace tolvex {

void createWindowSet()
{
    Form2 = new TForm2;
    splash = new Tsplash;
    Form1 = new TForm1;
    Form2->bindData(Form1->Table1, Form1->DataSource1);
    KonfigForm = new TKonfigForm;
    mapform = new Tmapform;
    infoform = new Tinfoform;
    Form2->connectSecondaryWindows();
}

void destroyWindowSet()
{
    // The main window first: its controls are bound to the table, which
    // goes with the overview window and must not refresh them on its way out.
    delete std::exchange(Form2, nullptr);
    delete std::exchange(splash, nullptr);
    delete std::exchange(Form1, nullptr);
    delete std::exchange(KonfigForm, nullptr);
    delete std::exchange(mapform, nullptr);
    delete std::exchange(infoform, nullptr);
}

} // namespace tolvex
