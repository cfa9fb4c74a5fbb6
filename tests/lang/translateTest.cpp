#include "about/info.h"
#include "about/splashunit.h"
#include "common/Product.h"
#include "config/options.h"
#include "lang/WindowTexts.h"
#include "lang/translate.h"
#include "maplist/maplister.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBNavigator.h"
#include "platform/design/SpeedButton.h"
#include "platform/files/ProfileFile.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <map>

using namespace tolvex;

namespace {

enum class Kind { Caption, Hint, MemoLine, NavigatorHint, ListItem, ColumnTitle, Message };

// One text the language switch writes: where it lives, and what it reads
// in German, in English and as the window defines it.
struct Target {
    const char* window;
    const char* control; // nullptr: the window itself; for messages the variable
    Kind kind;
    int index; // the memo line or the navigator position
    QString german;
    QString english;
    QString design;
};

QString web()
{
    return QString::fromLatin1(kWebAddress);
}

Kind kindOf(TextRole role)
{
    switch (role) {
    case TextRole::Caption:
        return Kind::Caption;
    case TextRole::Hint:
        return Kind::Hint;
    case TextRole::MemoLine:
        return Kind::MemoLine;
    case TextRole::NavigatorHint:
        return Kind::NavigatorHint;
    case TextRole::ListItem:
        return Kind::ListItem;
    case TextRole::ColumnTitle:
        return Kind::ColumnTitle;
    }
    return Kind::Message;
}

// Every row of the windows' text tables, and the message texts.
const std::vector<Target>& targets()
{
    static const std::vector<Target> all = [] {
        const std::pair<const char*, const std::vector<DesignText>&> tables[] = {
            {"Form2", mainWindowTexts()}, {"Form1", overviewTexts()}, {"mapform", mapListTexts()},
            {"infoform", infoTexts()},    {"KonfigForm", konfigTexts()},
        };
        std::vector<Target> rows;
        for (const auto& [window, table] : tables) {
            for (const DesignText& t : table)
                rows.push_back({window, t.control, kindOf(t.role), t.index, t.german, t.english, t.in(TextLanguage::Design)});
        }
        rows.push_back({nullptr, "MsgExported", Kind::Message, 0, "Daten eportiert!", "Data exported!", "Daten eportiert!"});
        rows.push_back({nullptr, "MsgImported", Kind::Message, 0, "Import abgeschlossen", "Import finished!", "Import abgeschlossen"});
        rows.push_back({nullptr, "MsgRecord", Kind::Message, 0, "Datensatz:", "Record:", "Datensatz:"});
        rows.push_back({nullptr, "MsgFiltered", Kind::Message, 0, "(Filter)", "(filter)", "(Filter)"});
        return rows;
    }();
    return all;
}

QWidget* window(const QString& name)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Form2, Form1, mapform, infoform, KonfigForm, splash}) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

QString caption(const QObject* object)
{
    if (const auto* label = qobject_cast<const QLabel*>(object))
        return label->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(object))
        return group->title();
    if (const auto* menu = qobject_cast<const QMenu*>(object))
        return menu->title();
    if (const auto* button = qobject_cast<const QAbstractButton*>(object))
        return button->text();
    if (const auto* action = qobject_cast<const QAction*>(object))
        return action->text();
    return QStringLiteral("<no caption>");
}

// What the live windows show for a target now.
QString shownText(const Target& t)
{
    if (t.kind == Kind::Message) {
        const QLatin1String name(t.control);
        if (name == QLatin1String("MsgFiltered"))
            return MsgFiltered;
        return name == QLatin1String("MsgExported") ? MsgExported : name == QLatin1String("MsgImported") ? MsgImported : MsgRecord;
    }
    QWidget* w = window(QLatin1String(t.window));
    if (!w)
        return QStringLiteral("<no window %1>").arg(QLatin1String(t.window));
    if (!t.control)
        return w->windowTitle();
    const QObject* control = w->findChild<QObject*>(QLatin1String(t.control));
    if (!control)
        return QStringLiteral("<no control %1>").arg(QLatin1String(t.control));
    switch (t.kind) {
    case Kind::Caption:
        return caption(control);
    case Kind::Hint:
        return qobject_cast<const QWidget*>(control)->toolTip();
    case Kind::MemoLine: {
        const auto* memo = qobject_cast<const QPlainTextEdit*>(control);
        const QStringList lines = memo->toPlainText().split(u'\n');
        return t.index < lines.size() ? lines[t.index] : QStringLiteral("<no line %1>").arg(t.index);
    }
    case Kind::NavigatorHint: {
        const auto* navigator = qobject_cast<const DBNavigator*>(control);
        const QString listed = navigator->hints().value(t.index, QStringLiteral("<no hint>"));
        const QString onButton = navigator->button(static_cast<DBNavigator::Button>(t.index))->toolTip();
        return listed == onButton ? listed : QStringLiteral("<list %1, button %2>").arg(listed, onButton);
    }
    case Kind::ListItem:
        return qobject_cast<const QComboBox*>(control)->itemText(t.index);
    case Kind::ColumnTitle:
        return qobject_cast<const QAbstractItemView*>(control)->model()->headerData(t.index, Qt::Horizontal).toString();
    case Kind::Message:
        break;
    }
    return {};
}

QString targetName(const Target& t)
{
    QString name = t.window ? QLatin1String(t.window) + u'.' : QString();
    name += t.control ? QLatin1String(t.control) : QLatin1String("caption");
    if (t.kind == Kind::MemoLine || t.kind == Kind::NavigatorHint || t.kind == Kind::ListItem || t.kind == Kind::ColumnTitle)
        name += u'[' + QString::number(t.index) + u']';
    if (t.kind == Kind::Hint)
        name += QLatin1String(" hint");
    return name;
}

// Every text the user can see in the six windows, by where it lives. Memo
// lines are taken without trailing blanks, which nobody sees.
std::map<QString, QString> visibleTexts()
{
    std::map<QString, QString> texts;
    const std::function<void(const QObject*, const QString&)> collect = [&](const QObject* object, const QString& path) {
        int unnamed = 0;
        for (const QObject* child : object->children()) {
            const QString name = child->objectName().isEmpty()
                ? QLatin1String(child->metaObject()->className()) + u'#' + QString::number(unnamed++)
                : child->objectName();
            const QString key = path + u'/' + name;
            if (qobject_cast<const QLabel*>(child) || qobject_cast<const QGroupBox*>(child) || qobject_cast<const QMenu*>(child)
                || qobject_cast<const QAbstractButton*>(child) || qobject_cast<const QAction*>(child))
                texts[key + QLatin1String(".caption")] = caption(child);
            if (const auto* widget = qobject_cast<const QWidget*>(child))
                texts[key + QLatin1String(".hint")] = widget->toolTip();
            if (const auto* memo = qobject_cast<const QPlainTextEdit*>(child)) {
                QStringList lines = memo->toPlainText().split(u'\n');
                for (QString& line : lines) {
                    while (line.endsWith(u' '))
                        line.chop(1);
                }
                texts[key + QLatin1String(".lines")] = lines.join(u'|');
            }
            if (const auto* view = qobject_cast<const QAbstractItemView*>(child); view && view->model()) {
                for (int c = 0; c < view->model()->columnCount(); ++c)
                    texts[key + QLatin1String(".column") + QString::number(c)] = view->model()->headerData(c, Qt::Horizontal).toString();
            }
            if (const auto* navigator = qobject_cast<const DBNavigator*>(child))
                texts[key + QLatin1String(".hints")] = navigator->hints().join(u'|');
            collect(child, key);
        }
    };
    for (QWidget* w : std::initializer_list<QWidget*>{Form2, Form1, mapform, infoform, KonfigForm, splash}) {
        texts[w->objectName() + QLatin1String(".title")] = w->windowTitle();
        collect(w, w->objectName());
    }
    texts[QStringLiteral("MsgExported")] = MsgExported;
    texts[QStringLiteral("MsgImported")] = MsgImported;
    texts[QStringLiteral("MsgRecord")] = MsgRecord;
    return texts;
}

QStringList changedKeys(const std::map<QString, QString>& before, const std::map<QString, QString>& after)
{
    QStringList changed;
    for (const auto& [key, text] : after) {
        const auto old = before.find(key);
        if (old == before.end() || old->second != text)
            changed.append(key);
    }
    return changed;
}

void applyAll(const QStringList& calls)
{
    for (const QString& call : calls) {
        if (call == QLatin1String("english"))
            ApplyEnglish();
        else
            ApplyGerman();
    }
}

// Clicks a button of the configuration dialog while it is open, then confirms it.
void whileTheDialogIsOpen(const std::function<void()>& inside)
{
    QTimer::singleShot(0, KonfigForm, [inside] {
        inside();
        KonfigForm->BitBtn1->click();
    });
    QTest::mouseClick(Form2->SpeedButton3, Qt::LeftButton);
}

} // namespace

class TranslateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;
    QStringList m_initialMessages;

    void start(const QByteArray& konfig = "[Other]\r\nsprache=deutsch\r\n")
    {
        m_folder.reset();
        // As in a fresh process, whatever an earlier test switched to.
        MsgExported = m_initialMessages.value(0);
        MsgImported = m_initialMessages.value(1);
        MsgRecord = m_initialMessages.value(2);
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue({levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
                                 levelRecord(QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers")),
                                 levelRecord(QStringLiteral("q2dm3"), QStringLiteral("The Frag Pipe"))});
        m_folder->writeKonfig(konfig);
        m_folder->start();
    }

private Q_SLOTS:
    void initTestCase() { m_initialMessages = {MsgExported, MsgImported, MsgRecord}; }
    void cleanupTestCase() { m_folder.reset(); }

    void theMessagesAreGermanFromProgramStart()
    {
        QCOMPARE(m_initialMessages, (QStringList{QStringLiteral("Daten eportiert!"), QStringLiteral("Import abgeschlossen"),
                                                 QStringLiteral("Datensatz:")}));
    }

    void everyTargetStartsWithItsDesignText()
    {
        start();
        for (const Target& t : targets()) {
            QVERIFY2(shownText(t) == t.design, qPrintable(targetName(t) + QLatin1String(": ") + shownText(t)));
        }
    }

    void eachLanguageWritesEveryTarget_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QStringList>("calls");
        const QList<QStringList> sequences = {
            {QStringLiteral("english")},
            {QStringLiteral("german")},
            {QStringLiteral("english"), QStringLiteral("german")},
            {QStringLiteral("english"), QStringLiteral("german"), QStringLiteral("english")},
            {QStringLiteral("german"), QStringLiteral("english"), QStringLiteral("german")},
            {QStringLiteral("english"), QStringLiteral("english")},
        };
        for (int i = 0; i < static_cast<int>(targets().size()); ++i) {
            for (const QStringList& calls : sequences) {
                const QString row = targetName(targets()[static_cast<size_t>(i)]) + QLatin1String(" after ") + calls.join(QLatin1String(", "));
                QTest::newRow(qPrintable(row)) << i << calls;
            }
        }
    }

    void eachLanguageWritesEveryTarget()
    {
        QFETCH(const int, target);
        QFETCH(const QStringList, calls);
        // One program serves all rows: every row applies a language before it looks.
        if (!m_folder)
            start();
        applyAll(calls);
        const Target& t = targets()[static_cast<size_t>(target)];
        // Each text really switches, so a row that reads right reached its control.
        QVERIFY2(t.english != t.german, qPrintable(targetName(t)));
        QCOMPARE(shownText(t), calls.back() == QLatin1String("english") ? t.english : t.german);
    }

    void theNoticesKeepTheirNumberOfLines()
    {
        start();
        infoform->show();
        for (const QStringList& calls : {QStringList{QStringLiteral("english")}, QStringList{QStringLiteral("german")}}) {
            applyAll(calls);
            QCOMPARE(infoform->Memo1->document()->blockCount(), 5);
            QCOMPARE(infoform->Memo2->document()->blockCount(), 4);
            QCOMPARE(infoform->Memo4->document()->blockCount(), 2);
        }
        ApplyEnglish();
        QCOMPARE(memoLine(infoform->Memo1, 4), QString());
        QVERIFY(!memoLine(infoform->Memo1, 3).isEmpty());
        ApplyGerman();
        QCOMPARE(memoLine(infoform->Memo1, 4), QStringLiteral("Nutzung des Programms ist untersagt!"));
    }

    void theRecordCounterTakesTheNewPrefixAtTheNextRecordChange()
    {
        start();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
        ApplyEnglish();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
        QTest::mouseClick(Form2->DBNavigator1->button(DBNavigator::Button::Next), Qt::LeftButton);
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Record: 2/3"));
        ApplyGerman();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Record: 2/3"));
        QTest::mouseClick(Form2->DBNavigator1->button(DBNavigator::Button::Last), Qt::LeftButton);
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 3/3"));
    }

    void theDialogsOwnTextsChangeWhileItIsOpen()
    {
        start();
        const QByteArray konfigBefore = m_folder->readFile(QStringLiteral("konfig.ini"));
        QStringList englishSeen;
        QStringList germanSeen;
        bool labelsFit = true;
        QByteArray konfigWhileOpen;
        const auto dialogTexts = [&labelsFit] {
            for (QLabel* label : {KonfigForm->Label2, KonfigForm->Label1, KonfigForm->Label3})
                labelsFit = labelsFit && label->width() >= label->sizeHint().width();
            return QStringList{KonfigForm->windowTitle(), KonfigForm->Label2->text(), KonfigForm->Label1->text(), KonfigForm->Label3->text()};
        };
        whileTheDialogIsOpen([&] {
            QTest::mouseClick(KonfigForm->SpeedButton4, Qt::LeftButton);
            englishSeen = dialogTexts();
            konfigWhileOpen = m_folder->readFile(QStringLiteral("konfig.ini"));
            QTest::mouseClick(KonfigForm->SpeedButton3, Qt::LeftButton);
            germanSeen = dialogTexts();
        });

        QCOMPARE(englishSeen, (QStringList{QStringLiteral("Configuration"), QStringLiteral("Position of Quake (e.g. /usr/games/quake2):"),
                                           QStringLiteral("Optional Console Parameters (e.g. +set dmflags 20):"),
                                           QStringLiteral("EraserBot Maplist (e.g. ~/.yq2/eraser/maps.txt):")}));
        QCOMPARE(germanSeen, (QStringList{QStringLiteral("Konfiguration"), QStringLiteral("Quake-Position (z.B /usr/games/quake2):"),
                                          QStringLiteral("zusätzliche Kommandozeilenparameter (z.B +set dmflags 20):"),
                                          QStringLiteral("EraserBot Maplist (z.B ~/.yq2/eraser/maps.txt):")}));
        QVERIFY(labelsFit);
        // The press switches the texts; only OK stores the language.
        QCOMPARE(konfigWhileOpen, konfigBefore);
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Datei-Name"));
    }

    void theLanguageButtonsApplyAtEveryPressAlsoWhenAlreadyDown()
    {
        start("[Other]\r\nsprache=english\r\n");
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Filename"));
        whileTheDialogIsOpen([] {
            QVERIFY(KonfigForm->SpeedButton4->isDown());
            Form2->Xdateiname->setText(QStringLiteral("touched"));
            QTest::mouseClick(KonfigForm->SpeedButton4, Qt::LeftButton);
        });
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Filename"));
        const ProfileFile ini(m_folder->path(QStringLiteral("konfig.ini")));
        QCOMPARE(ini.readString(QStringLiteral("Other"), QStringLiteral("sprache"), QString()), QStringLiteral("english"));
    }

    void pressingDeutschInAGermanStartChangesOnlyTheNote()
    {
        start();
        const auto before = visibleTexts();
        whileTheDialogIsOpen([] { QTest::mouseClick(KonfigForm->SpeedButton3, Qt::LeftButton); });
        QCOMPARE(changedKeys(before, visibleTexts()), QStringList{QStringLiteral("Form2/Panel2/LevelInfo/XohneEndung.caption")});
        QCOMPARE(Form2->XohneEndung->text(), QStringLiteral("(ohne Endung)"));
    }

    void theSwitchTouchesNothingButItsTargets()
    {
        start();
        const auto german = visibleTexts();
        ApplyEnglish();
        const auto english = visibleTexts();
        // Every text that changed belongs to a target, and back in German only the
        // note reads differently from the design.
        const QStringList changed = changedKeys(german, english);
        QStringList targetControls;
        for (const Target& t : targets())
            targetControls.append(t.control ? QLatin1String(t.control) : QLatin1String(t.window));
        for (const QString& key : changed) {
            // A navigator button's hint is one of the navigator's; a submenu's unnamed action follows its title.
            QStringList path = key.section(u'.', 0, 0).split(u'/');
            if (path.back().contains(u'#'))
                path.removeLast();
            const QString owner = path.contains(QLatin1String("DBNavigator1")) ? QStringLiteral("DBNavigator1") : path.back();
            QVERIFY2(targetControls.contains(owner) || key.endsWith(QLatin1String(".title")), qPrintable(key));
        }
        ApplyGerman();
        QCOMPARE(changedKeys(german, visibleTexts()), QStringList{QStringLiteral("Form2/Panel2/LevelInfo/XohneEndung.caption")});
    }

    void textsOutsideTheTablesReadTheSameInBothLanguages_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::newRow("main window title") << "Form2" << QString() << "Tolvex - Kestrowan";
        QTest::newRow("level information") << "Form2" << "LevelInfo" << "Level Information";
        QTest::newRow("quad damage") << "Form2" << "DBCheckBox1" << "QuadDamage";
        QTest::newRow("invulnerability") << "Form2" << "DBCheckBox2" << "Invulnerability";
        QTest::newRow("grenade launcher") << "Form2" << "GrenadeLauncher" << "Grenade Launcher";
        QTest::newRow("rocket launcher") << "Form2" << "RocketLauncher" << "Rocket Launcher";
        QTest::newRow("hyperblaster") << "Form2" << "Hyperblaster" << "Hyperblaster";
        QTest::newRow("railgun") << "Form2" << "Railgun" << "Railgun";
        QTest::newRow("bfg") << "Form2" << "BFG" << "BFG10k";
        QTest::newRow("optimum") << "Form2" << "optimum1" << "optimum";
        QTest::newRow("one bot") << "Form2" << "N11" << "1 Bot";
        QTest::newRow("seven bots") << "Form2" << "N71" << "7 Bots";
        QTest::newRow("sixty bots") << "Form2" << "N601" << "60 Bots";
        QTest::newRow("web link") << "Form2" << "Label7" << '(' + web() + ')';
        QTest::newRow("map list title") << "mapform" << QString() << "EraserBot Maplist";
        QTest::newRow("info title") << "infoform" << QString() << "Tolvex";
        QTest::newRow("info name") << "infoform" << "Label1" << "Tolvex";
        QTest::newRow("info have fun") << "infoform" << "Label4" << "have fun!";
        QTest::newRow("deutsch button") << "KonfigForm" << "SpeedButton3" << "deutsch";
        QTest::newRow("english button") << "KonfigForm" << "SpeedButton4" << "english";
        QTest::newRow("OK") << "KonfigForm" << "BitBtn1" << "OK";
        QTest::newRow("splash web address") << "splash" << "Label2" << '[' + web() + ']';
    }

    void textsOutsideTheTablesReadTheSameInBothLanguages()
    {
        QFETCH(const QString, window);
        QFETCH(const QString, control);
        QFETCH(const QString, text);
        if (!m_folder)
            start();
        const auto read = [&] {
            QWidget* w = ::window(window);
            return control.isEmpty() ? w->windowTitle() : caption(w->findChild<QObject*>(control));
        };
        ApplyEnglish();
        QCOMPARE(read(), text);
        ApplyGerman();
        QCOMPARE(read(), text);
    }

    void theLanguageButtonsKeepTheirHints()
    {
        start();
        for (const QStringList& calls : {QStringList{QStringLiteral("english")}, QStringList{QStringLiteral("german")}}) {
            applyAll(calls);
            QCOMPARE(KonfigForm->SpeedButton3->hint(), QStringLiteral("deutsche Benutzeroberfläche"));
            QCOMPARE(KonfigForm->SpeedButton4->hint(), QStringLiteral("english Userinterface"));
        }
    }

    void everyCaptionIsSizedToItsText()
    {
        start();
        const QSize designSize = Form2->size();
        for (const QStringList& calls : {QStringList{QStringLiteral("english")}, QStringList{QStringLiteral("german")}}) {
            applyAll(calls);
            // Also after the main window was resized: the anchored note keeps its new width.
            Form2->resize(designSize + QSize(120, 40));
            Form2->resize(designSize);
            for (QWidget* w : std::initializer_list<QWidget*>{Form2, KonfigForm}) {
                for (const QLabel* label : w->findChildren<QLabel*>()) {
                    if (label->objectName().startsWith(u'X') || w == KonfigForm)
                        QVERIFY2(label->width() == label->sizeHint().width(), qPrintable(label->objectName() + u' ' + label->text()));
                }
            }
        }
    }

    void startUpAppliesEnglishOnlyForExactlyEnglish_data()
    {
        QTest::addColumn<QByteArray>("konfig");
        QTest::addColumn<QString>("dateiname");
        QTest::newRow("english") << QByteArray("[Other]\r\nsprache=english\r\n") << "Filename";
        QTest::newRow("English") << QByteArray("[Other]\r\nsprache=English\r\n") << "Datei-Name";
        QTest::newRow("ENGLISH") << QByteArray("[Other]\r\nsprache=ENGLISH\r\n") << "Datei-Name";
        QTest::newRow("empty") << QByteArray("[Other]\r\nsprache=\r\n") << "Datei-Name";
        QTest::newRow("missing") << QByteArray("[Other]\r\nparameter=\r\n") << "Datei-Name";
    }

    void startUpAppliesEnglishOnlyForExactlyEnglish()
    {
        QFETCH(const QByteArray, konfig);
        QFETCH(const QString, dateiname);
        start(konfig);
        QCOMPARE(Form2->Xdateiname->text(), dateiname);
        // Never the German routine at start: the design note stays in German.
        QCOMPARE(Form2->XohneEndung->text(), dateiname == QLatin1String("Filename") ? QStringLiteral("(no extension)") : QStringLiteral("(ohne Endung!)"));
        m_folder.reset();
    }

    void startUpAppliesEnglishLastAlsoToWindowsRestoredVisible()
    {
        start("[Tabelle]\r\nvisible=1\r\n[Other]\r\nsprache=english\r\n");
        QVERIFY(Form1->isVisible());
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Level survey"));
        QCOMPARE(Form1->Edit1->toolTip(), QStringLiteral("Search"));
        QCOMPARE(MsgRecord, QStringLiteral("Record:"));
        // The counter was written while the table opened, before the switch.
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
    }
};

QTEST_MAIN(TranslateTest)
#include "translateTest.moc"
