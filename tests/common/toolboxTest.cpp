#include "common/toolbox.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/ScriptedDialogs.h"

#include <QTest>

using namespace tolvex;

// Restart-from-start reference, for texts where it ends.
static QString replaceByRestarting(QString text, const QString& pattern, const QString& replacement)
{
    for (qsizetype i = text.indexOf(pattern); i >= 0; i = text.indexOf(pattern))
        text.replace(i, pattern.size(), replacement);
    return text;
}

class ToolboxTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pathParts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("name");
        QTest::newRow("full path") << "/opt/quake2/quake2" << "/opt/quake2/" << "quake2";
        QTest::newRow("no separator") << "quake2" << "" << "quake2";
        QTest::newRow("trailing separator") << "/opt/quake2/" << "/opt/quake2/" << "";
        QTest::newRow("root file") << "/q2" << "/" << "q2";
        QTest::newRow("empty") << "" << "" << "";
    }
    void pathParts()
    {
        QFETCH(QString, path);
        QFETCH(QString, dir);
        QFETCH(QString, name);
        QCOMPARE(DirPart(path), dir);
        QCOMPARE(NamePart(path), name);
    }

    void programDirEndsInSeparator()
    {
        QVERIFY(ProgramDir().endsWith(u'/'));
        overrideProgramDir(QStringLiteral("/tmp/portable"));
        QCOMPARE(ProgramDir(), QStringLiteral("/tmp/portable/"));
        overrideProgramDir({});
        QVERIFY(ProgramDir() != QStringLiteral("/tmp/portable/"));
    }

    void replaceAllFollowsTheRestartRule_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::newRow("escape CR") << "a\r\nb\r" << "\r" << "<CR>";
        QTest::newRow("unescape LF") << "a<LF><LF>b" << "<LF>" << "\n";
        QTest::newRow("new match across the seam") << "aabb" << "ab" << "";
        QTest::newRow("replacement completes a match") << "<C<CR>R>" << "<CR>" << "";
        QTest::newRow("shrinking cascade") << "aaab" << "ab" << "b";
        QTest::newRow("growing, moves left") << "aaab" << "ab" << "baa";
        QTest::newRow("no match") << "q2dm1" << "<CR>" << "\r";
        QTest::newRow("empty source") << "" << "x" << "y";
        QTest::newRow("whole text") << "<CR>" << "<CR>" << "\r";
    }
    void replaceAllFollowsTheRestartRule()
    {
        QFETCH(QString, source);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QCOMPARE(ReplaceAll(source, pattern, replacement), replaceByRestarting(source, pattern, replacement));
    }

    void replaceAllEndsWhereTheRestartRuleWouldNot()
    {
        QCOMPARE(ReplaceAll(QStringLiteral("x<CR>y<CR>"), QStringLiteral("<CR>"), QStringLiteral("<CR><CR>")),
                 QStringLiteral("x<CR><CR>y<CR><CR>"));
        QCOMPARE(ReplaceAll(QStringLiteral("aa"), QStringLiteral("a"), QStringLiteral("ba")), QStringLiteral("baba"));
        QCOMPARE(ReplaceAll(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
    }

    void replaceAllIsLinearOnLongDescriptions()
    {
        // 1 MB with 100,000 line breaks: quadratic work would take minutes.
        QString description;
        description.reserve(1'100'000);
        for (int i = 0; i < 100'000; ++i)
            description += QStringLiteral("Beschreibung %1\r\n").arg(i % 10);
        QVERIFY(description.size() >= 1'000'000);

        const QString escaped = ReplaceAll(ReplaceAll(description, QStringLiteral("\r"), QStringLiteral("<CR>")),
                                           QStringLiteral("\n"), QStringLiteral("<LF>"));
        QCOMPARE(escaped.count(QStringLiteral("<CR><LF>")), 100'000);
        QVERIFY(!escaped.contains(u'\r'));
        const QString restored = ReplaceAll(ReplaceAll(escaped, QStringLiteral("<LF>"), QStringLiteral("\n")),
                                            QStringLiteral("<CR>"), QStringLiteral("\r"));
        QCOMPARE(restored, description);
    }

    void fitText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("fitted");
        QTest::newRow("padded") << "Nr." << 5 << "Nr.  ";
        QTest::newRow("exact") << "abc" << 3 << "abc";
        QTest::newRow("cut") << "1000" << 3 << "...";
        QTest::newRow("cut longer") << "100-1000" << 7 << "100-...";
        QTest::newRow("empty padded") << "" << 3 << "   ";
        QTest::newRow("narrow width") << "abcdef" << 2 << "...";
    }
    void fitText()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, fitted);
        QCOMPARE(FitText(text, width), fitted);
    }

    void showInfoGoesThroughTheDialogs()
    {
        auto* scripted = new ScriptedDialogs;
        auto previous = Dialogs::install(std::unique_ptr<Dialogs>(scripted));
        ShowInfo(QStringLiteral("Daten eportiert!"));
        QCOMPARE(scripted->messages(ScriptedDialogs::Kind::Info), QStringList{QStringLiteral("Daten eportiert!")});
        Dialogs::install(std::move(previous));
    }
};

QTEST_GUILESS_MAIN(ToolboxTest)
#include "toolboxTest.moc"
