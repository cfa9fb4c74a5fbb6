#include "common/toolbox.h"
#include "config/FilterSettings.h"
#include "config/Konfig.h"
#include "platform/files/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

class KonfigTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void livesBesideTheProgramWhateverTheCurrentDirectory()
    {
        QCOMPARE(KonfigPath(), QCoreApplication::applicationDirPath() + "/konfig.ini");
        QTemporaryDir dir;
        overrideProgramDir(dir.path());
        QCOMPARE(KonfigPath(), dir.path() + "/konfig.ini");
        overrideProgramDir(QString());
    }

    void firstStartWritesTheSectionsInTheirOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("konfig.ini");
        {
            ProfileFile ini(path);
            konfig::write(ini, konfig::kGame, "/games/quake2/quake2");
            konfig::write(ini, konfig::kMapList, "/games/quake2/eraser/maps.txt");
            konfig::write(ini, konfig::kParameters, "+set dmflags 20");
            konfig::writeEnglish(ini, true);
            ini.flush();
        }
        {
            ProfileFile ini(path);
            for (const QLatin1String section : {konfig::kHauptfenster, konfig::kTabelle, konfig::kMaplist}) {
                ini.writeBool(section, konfig::kVisible, true);
                ini.writeInteger(section, konfig::kWidth, 640);
                ini.writeInteger(section, konfig::kHeight, 480);
                ini.writeInteger(section, konfig::kLeft, -8);
                ini.writeInteger(section, konfig::kTop, 0);
            }
            ini.flush();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray window = "visible=1\r\nwidth=640\r\nheight=480\r\nleft=-8\r\ntop=0\r\n";
        QCOMPARE(file.readAll(),
                 "[Verzeichnisse]\r\nquake=/games/quake2/quake2\r\neraser=/games/quake2/eraser/maps.txt\r\n"
                 "[Other]\r\nparameter=+set dmflags 20\r\nsprache=english\r\n"
                 "[Hauptfenster]\r\n" + window + "[Tabelle]\r\n" + window + "[Maplist]\r\n" + window);
    }

    void onlyExactlyEnglishSwitchesTheLanguage_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("english");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("english") << QByteArray("[Other]\r\nsprache=english\r\n") << true;
        QTest::newRow("other case") << QByteArray("[Other]\r\nsprache=English\r\n") << false;
        QTest::newRow("anything else") << QByteArray("[Other]\r\nsprache=francais\r\n") << false;
    }
    void onlyExactlyEnglishSwitchesTheLanguage()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, english);
        QTemporaryDir dir;
        QFile file(dir.filePath("konfig.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        QCOMPARE(konfig::readEnglish(ProfileFile(file.fileName())), english);
    }

    void filterSectionIgnoresWhatItCannotHold_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("players");
        QTest::addColumn<int>("items");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("neverPlayed");
        QTest::newRow("all set") << QByteArray("text=Rail\r\ntyp=ctf\r\nspieler=6\r\nitems=Quad, rg,BFG\r\ninstalliert=1\r\nungespielt=1")
                                 << "Rail" << 2 << 6 << 0x61 << true << true;
        QTest::newRow("broken values") << QByteArray("typ=TDM\r\nspieler=6x\r\nitems=Chaingun,,\r\ninstalliert=yes\r\nungespielt=2")
                                       << "" << 0 << -1 << 0 << false << false;
        QTest::newRow("players out of range") << QByteArray("spieler=-3") << "" << 0 << -1 << 0 << false << false;
        QTest::newRow("players too large") << QByteArray("spieler=99999") << "" << 0 << -1 << 0 << false << false;
    }
    void filterSectionIgnoresWhatItCannotHold()
    {
        QFETCH(QByteArray, section);
        QFETCH(QString, text);
        QFETCH(int, type);
        QFETCH(int, players);
        QFETCH(int, items);
        QFETCH(bool, installed);
        QFETCH(bool, neverPlayed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("konfig.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Filter]\r\n" + section + "\r\n");
        file.close();
        const LevelFilter filter = konfig::readFilter(ProfileFile(path));
        QCOMPARE(filter.text, text);
        QCOMPARE(int(filter.type), type);
        QCOMPARE(filter.players.value_or(-1), players);
        QCOMPARE(int(filter.items), items);
        QCOMPARE(filter.installedOnly, installed);
        QCOMPARE(filter.neverPlayed, neverPlayed);

        // What is written reads back the same; no filter leaves a file without the section untouched.
        ProfileFile ini(dir.filePath(QStringLiteral("other.ini")));
        konfig::writeFilter(ini, LevelFilter{});
        ini.flush();
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("other.ini"))));
        konfig::writeFilter(ini, filter);
        QCOMPARE(konfig::readFilter(ini), filter);
    }
};

QTEST_GUILESS_MAIN(KonfigTest)
#include "konfigTest.moc"
