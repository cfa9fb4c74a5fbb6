#include "level/LevelFields.h"
#include "platform/dialogs/TolvexError.h"

#include <QTest>

using namespace tolvex;

class LevelFieldsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Writing a text and reading the field back; an expected error replaces the read-back.
    void textForms_data()
    {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("readBack");
        QTest::addColumn<QString>("error");

        const QString none;
        QTest::newRow("flag: fAlS clears") << int(Field::Quad) << "fAlS" << "Falsch" << none;
        QTest::newRow("flag: f clears") << int(Field::Quad) << "f" << "Falsch" << none;
        QTest::newRow("flag: FALSCH clears") << int(Field::BFG) << "FALSCH" << "Falsch" << none;
        QTest::newRow("flag: w sets") << int(Field::RG) << "w" << "Wahr" << none;
        QTest::newRow("flag: Wahr sets") << int(Field::RG) << "Wahr" << "Wahr" << none;
        QTest::newRow("flag: empty empties") << int(Field::GL) << "" << "" << none;
        QTest::newRow("flag: ja is refused") << int(Field::GL) << "ja" << none
                                             << "'ja' ist kein gültiger boolescher Wert für Feld 'GL'";
        QTest::newRow("flag: longer than the word") << int(Field::HB) << "Wahrr" << none
                                                    << "'Wahrr' ist kein gültiger boolescher Wert für Feld 'HB'";
        QTest::newRow("flag: a blank is no empty text") << int(Field::RL) << " " << none
                                                        << "' ' ist kein gültiger boolescher Wert für Feld 'RL'";

        QTest::newRow("number: negative") << int(Field::MinPlayer) << "-12" << "-12" << none;
        QTest::newRow("number: bounds") << int(Field::MaxPlayer) << "-32768" << "-32768" << none;
        QTest::newRow("number: leading blanks and plus") << int(Field::MaxPlayer) << " +7" << "7" << none;
        QTest::newRow("number: empty empties") << int(Field::MinPlayer) << "" << "" << none;
        QTest::newRow("number: 32768 is out of range") << int(Field::MinPlayer) << "32768" << none
            << "32768 ist kein gültiger Wert für das Feld 'Min Player'. Der zulässige Bereich ist  -32768 bis 32767";
        QTest::newRow("number: a million in plain digits") << int(Field::MaxPlayer) << "-1000000" << none
            << "-1000000 ist kein gültiger Wert für das Feld 'Max Player'. Der zulässige Bereich ist  -32768 bis 32767";
        QTest::newRow("number: 32-bit end in plain digits") << int(Field::MinPlayer) << "2147483647" << none
            << "2147483647 ist kein gültiger Wert für das Feld 'Min Player'. Der zulässige Bereich ist  -32768 bis 32767";
        QTest::newRow("number: not a whole number") << int(Field::MinPlayer) << "4.5" << none
                                                    << "'4.5' ist kein gültiger Integerwert für Feld 'Min Player'";
        QTest::newRow("number: trailing blank") << int(Field::MinPlayer) << "4 " << none
                                                << "'4 ' ist kein gültiger Integerwert für Feld 'Min Player'";
        QTest::newRow("number: beyond 32 bits") << int(Field::MinPlayer) << "99999999999" << none
                                                << "'99999999999' ist kein gültiger Integerwert für Feld 'Min Player'";
        QTest::newRow("number: sign alone") << int(Field::MinPlayer) << "-" << none
                                            << "'-' ist kein gültiger Integerwert für Feld 'Min Player'";

        QTest::newRow("text: level name of 60 kept as 50") << int(Field::Level) << QString(60, u'L') << QString(50, u'L') << none;
        QTest::newRow("text: file name cut to 15") << int(Field::Datei) << "abcdefghijklmnopqrst" << "abcdefghijklmno" << none;
        QTest::newRow("text: type cut to 3") << int(Field::Typ) << "CTFX" << "CTF" << none;
        QTest::newRow("text: umlauts and euro") << int(Field::Level) << "Große Halle €" << "Große Halle €" << none;
        QTest::newRow("text: outside the code page") << int(Field::Level) << "Ωmega" << none
                                                     << "Das Zeichen 'Ω' kann im Feld 'Level' nicht gespeichert werden";
        QTest::newRow("text: no line break outside the description") << int(Field::Level) << "Zwei\r\nZeilen" << none
                                                                     << "Das Zeichen '#13' kann im Feld 'Level' nicht gespeichert werden";
        QTest::newRow("memo: no NUL") << int(Field::Beschreibung) << QStringLiteral("a") + QChar(u'\0') << none
                                      << "Das Zeichen '#0' kann im Feld 'Beschreibung' nicht gespeichert werden";
        QTest::newRow("text: outside the code page beyond the size is cut first") << int(Field::Typ) << "DM Ω" << "DM " << none;
        QTest::newRow("memo: line breaks kept, no size limit") << int(Field::Beschreibung) << "a\r\nb" + QString(80, u'x')
                                                               << "a\r\nb" + QString(80, u'x') << none;
    }
    void textForms()
    {
        QFETCH(int, pos);
        QFETCH(QString, written);
        QFETCH(QString, readBack);
        QFETCH(QString, error);
        try {
            const FieldValue value = fieldFromText(pos, written);
            QVERIFY2(error.isEmpty(), "expected an error");
            QCOMPARE(fieldText(pos, value), readBack);
            QCOMPARE(tolvex::isEmpty(value), readBack.isEmpty());
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), error);
        }
    }

    void valuesAreCheckedLikeTexts()
    {
        QCOMPARE(fieldText(Field::Level, checkedFieldValue(Field::Level, QString(60, u'x'))), QString(50, u'x'));
        QCOMPARE(checkedFieldValue(Field::Datei, QString()).index(), size_t(0));
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)checkedFieldValue(Field::MinPlayer, 40000));
        QCOMPARE(std::get<bool>(checkedFieldValue(Field::Quad, true)), true);
    }

    void hugeRefusedTextsAreQuotedByTheirStart()
    {
        const QString huge(1'000'000, u'x');
        try {
            (void)fieldFromText(Field::MinPlayer, huge);
            QFAIL("no error");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1...' ist kein gültiger Integerwert für Feld 'Min Player'").arg(QString(80, u'x')));
        }
    }

    void fieldsAreFoundByNameInAnyCase()
    {
        QCOMPARE(levelFieldIndex("min player"), int(Field::MinPlayer));
        QCOMPARE(levelFieldIndex("DATEI"), int(Field::Datei));
        QCOMPARE(levelFieldIndex("BFG"), int(Field::BFG));
        QCOMPARE(levelFieldIndex("MinPlayer"), -1);
    }
};

QTEST_APPLESS_MAIN(LevelFieldsTest)
#include "levelFieldsTest.moc"
