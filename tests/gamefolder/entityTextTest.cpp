#include "gamefolder/EntityText.h"
#include "gamefolder/MapRecord.h"

#include <QTest>

using namespace tolvex;

namespace {

// The entities as "classname:key=value,key=value" lines, easy to compare.
QStringList shown(const std::vector<Entity>& entities)
{
    QStringList lines;
    for (const Entity& entity : entities) {
        QStringList pairs;
        for (const auto& pair : entity.pairs)
            pairs << QString::fromUtf8(pair.key) + u'=' + QString::fromUtf8(pair.value);
        lines << pairs.join(u',');
    }
    return lines;
}

QStringList textsOf(QByteArrayView text, const QString& name = QStringLiteral("arena"))
{
    const auto entities = parseEntities(text);
    return entities ? levelTexts(name, *entities) : QStringList{QStringLiteral("<unparsed>")};
}

} // namespace

class EntityTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesAsTheGameReads_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("entities");
        QTest::newRow("quotes keep blanks and braces")
            << QByteArray("{\n\"classname\" \"worldspawn\"\n\"message\" \"a } { b\"\n}\n")
            << QStringList{"classname=worldspawn,message=a } { b"};
        QTest::newRow("words without quotes, packed braces")
            << QByteArray("{classname info_player_deathmatch}{\"a\" \"\"}")
            << QStringList{"classname=info_player_deathmatch", "a="};
        QTest::newRow("comments to the line end")
            << QByteArray("// map by someone\n{ // first\n\"a\" \"b\" // \"c\" \"d\"\n}\n// end")
            << QStringList{"a=b"};
        QTest::newRow("slashes inside quotes are text")
            << QByteArray("{ \"url\" \"http://example.org\" }") << QStringList{"url=http://example.org"};
        QTest::newRow("missing closing quote runs to the end")
            << QByteArray("{ \"message\" \"cut") << QStringList{"message=cut"};
        QTest::newRow("missing closing brace keeps what was read")
            << QByteArray("{ \"a\" \"1\" } { \"b\" \"2\"") << QStringList{"a=1", "b=2"};
        QTest::newRow("key without value is dropped")
            << QByteArray("{ \"a\" \"1\" \"b\" }") << QStringList{"a=1"};
        QTest::newRow("a lone slash stays in the word")
            << QByteArray("{ url http:/x/y }") << QStringList{"url=http:/x/y"};
        QTest::newRow("a comment ends a word and the text")
            << QByteArray("{ a b// note\n c d }// last") << QStringList{"a=b,c=d"};
        QTest::newRow("an opening brace where a key stands is a key")
            << QByteArray("{ { \"x\" }") << QStringList{"{=x"};
        QTest::newRow("a quote opened at the very end")
            << QByteArray("{ \"a\" \"") << QStringList{"a="};
        QTest::newRow("empty text") << QByteArray(" \n\t") << QStringList{};
    }
    void parsesAsTheGameReads()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, entities);
        const auto parsed = parseEntities(text);
        QVERIFY(parsed);
        QCOMPARE(shown(*parsed), entities);
    }

    void refusesTextOutsideEntities()
    {
        QVERIFY(!parseEntities("classname worldspawn"));
        QVERIFY(!parseEntities("{ \"a\" \"1\" } }"));
        QVERIFY(!parseEntities("\"{\" \"a\" \"1\" }"));
    }

    void lastDuplicateKeyWins()
    {
        const auto parsed = parseEntities("{ \"classname\" \"item_quad\" \"classname\" \"weapon_bfg\" }");
        QVERIFY(parsed && parsed->size() == 1);
        QCOMPARE(parsed->front().classname(), QByteArrayView("weapon_bfg"));
        QCOMPARE(textsOf("{ \"classname\" \"item_quad\" \"classname\" \"weapon_bfg\" }").mid(6),
                 (QStringList{"Falsch", "Falsch", "Falsch", "Falsch", "Falsch", "Falsch", "Wahr"}));
    }

    void recordOfADeathmatchMap()
    {
        QByteArray text = "{ \"classname\" \"worldspawn\" \"message\" \"The Edge\\nby Someone\" }\n";
        for (int i = 0; i < 9; ++i)
            text += "{ \"classname\" \"info_player_deathmatch\" }\n";
        text += "{ \"classname\" \"weapon_railgun\" } { \"classname\" \"item_invulnerability\" } { \"classname\" \"weapon_rocketlauncher\" }";
        QCOMPARE(textsOf(text), (QStringList{"arena", "The Edge by Someone", "DM", "2", "9", "", "Falsch", "Wahr", "Falsch",
                                             "Wahr", "Falsch", "Wahr", "Falsch"}));
    }

    void teamsMakeCtfAndCountPlayers_data()
    {
        QTest::addColumn<QByteArray>("classes");
        QTest::addColumn<QString>("typ");
        QTest::addColumn<QString>("maxPlayer");
        QTest::newRow("flag only") << QByteArray("item_flag_team2 info_player_deathmatch") << "CTF" << "2";
        QTest::newRow("teams outnumber deathmatch")
            << QByteArray("info_player_team1 info_player_team1 info_player_team2 info_player_deathmatch") << "CTF" << "3";
        QTest::newRow("deathmatch outnumbers teams")
            << QByteArray("info_player_team1 info_player_deathmatch info_player_deathmatch info_player_deathmatch") << "CTF"
            << "3";
        QTest::newRow("no spawn point") << QByteArray("item_quad") << "DM" << "2";
        QTest::newRow("classnames match in their case") << QByteArray("Item_Flag_Team1") << "DM" << "2";
    }
    void teamsMakeCtfAndCountPlayers()
    {
        QFETCH(QByteArray, classes);
        QFETCH(QString, typ);
        QFETCH(QString, maxPlayer);
        QByteArray text;
        for (const QByteArray& c : classes.split(' '))
            text += "{ \"classname\" \"" + c + "\" }";
        const QStringList texts = textsOf(text);
        QCOMPARE(texts.at(2), typ);
        QCOMPARE(texts.at(3), QStringLiteral("2"));
        QCOMPARE(texts.at(4), maxPlayer);
    }

    void titleFromMessage_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("title");
        QTest::newRow("missing") << QByteArray() << "arena";
        QTest::newRow("blank") << QByteArray(" \\n \t") << "arena";
        QTest::newRow("breaks and blanks around them, one blank")
            << QByteArray("  One\\n\\nTwo \r\n\tThree  Four ") << "One Two Three  Four";
        QTest::newRow("a backslash before n breaks, also in a path") << QByteArray("C:\\quake\\new") << "C:\\quake ew";
        QTest::newRow("UTF-8") << QByteArray("Br\xc3\xbc" "cke \xe2\x82\xac") << QString::fromUtf8("Brücke €");
        QTest::newRow("Windows-1252 bytes") << QByteArray("Br\xfc" "cke \x80") << QString::fromUtf8("Brücke €");
        QTest::newRow("outside Windows-1252, one ? per character")
            << QByteArray("\xce\xa9 \xf0\x9f\x98\x80!") << "? ?!";
        QTest::newRow("controls") << QByteArray("a\x01" "b\x7f") << "a?b?";
        QTest::newRow("cut to 50, trimmed again")
            << QByteArray(49, 'x') + " yz" << QString(49, u'x');
    }
    void titleFromMessage()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, title);
        QCOMPARE(levelTitle(message, QStringLiteral("arena")), title);
    }

    void titleFromFirstWorldspawnWherever()
    {
        QCOMPARE(textsOf("{ \"classname\" \"item_quad\" }{ \"message\" \"Moon\" \"classname\" \"worldspawn\" }").at(1),
                 QStringLiteral("Moon"));
        QCOMPARE(textsOf("{ \"classname\" \"info_player_deathmatch\" \"message\" \"Not a title\" }", "q2dm1").at(1),
                 QStringLiteral("q2dm1"));
    }

    void keyTakesShortStorableNames()
    {
        QVERIFY(keyCanTake(QStringLiteral("q2dm1")));
        QVERIFY(keyCanTake(QString(15, u'a')));
        QVERIFY(!keyCanTake(QString(16, u'a')));
        QVERIFY(!keyCanTake(QStringLiteral("map\u03a9")));
        QVERIFY(!keyCanTake(QString()));
    }
};

QTEST_APPLESS_MAIN(EntityTextTest)
#include "entityTextTest.moc"
