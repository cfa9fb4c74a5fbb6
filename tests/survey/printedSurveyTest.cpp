#include "catalogue/SurveyLines.h"
#include "catalogue/SurveyPrint.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/printing/PrinterCanvas.h"
#include "tests/platform/dataaware/MemoryDataset.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct PrintedWord {
    double x;
    double xMax;
    QString text;
};

struct PrintedLine {
    int page;
    double y;
    std::vector<PrintedWord> words; // left to right
};

// The words of a PDF with their positions, as lines in reading order.
std::vector<PrintedLine> printedLines(const QString& pdf)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression item(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    std::vector<PrintedLine> lines;
    int page = -1;
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++page;
            continue;
        }
        const double y = m.captured(2).toDouble();
        auto line = std::find_if(lines.begin(), lines.end(),
                                 [&](const PrintedLine& l) { return l.page == page && qAbs(l.y - y) < 0.5; });
        if (line == lines.end())
            line = lines.insert(lines.end(), PrintedLine{page, y, {}});
        line->words.push_back({m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(4)});
    }
    std::sort(lines.begin(), lines.end(),
              [](const PrintedLine& a, const PrintedLine& b) { return std::tie(a.page, a.y) < std::tie(b.page, b.y); });
    for (PrintedLine& line : lines)
        std::sort(line.words.begin(), line.words.end(), [](const PrintedWord& a, const PrintedWord& b) { return a.x < b.x; });
    return lines;
}

std::vector<QStringList> catalogue(int count)
{
    const QStringList flagSets[] = {{}, {"GL", "RL"}, {"Quad", "Invul", "BFG"}, {"GL", "RL", "HB", "RG", "BFG", "Quad", "Invul"}};
    std::vector<QStringList> records;
    for (int i = 1; i <= count; ++i) {
        records.push_back(test::levelTexts(
            QStringLiteral("map%1").arg(i, 3, 10, QLatin1Char('0')),
            // Names of different lengths, some cut to fit, so misaligned columns would show.
            QStringLiteral("Arena %1 ").arg(i) + QString(i % 37, u'w'), i % 3 ? QStringLiteral("DM") : QStringLiteral("CTF"),
            QString::number(i % 5 + 1), QString::number(i % 5 + 8), flagSets[i % 4]));
    }
    return records;
}

} // namespace

class PrintedSurveyTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void fixedPitchIsHonouredForAMissingFont_data()
    {
        QTest::addColumn<bool>("bold");
        QTest::newRow("regular") << false;
        QTest::newRow("bold") << true;
    }
    void fixedPitchIsHonouredForAMissingFont()
    {
        QFETCH(bool, bold);
        QPrinter printer;
        PrinterCanvas canvas(printer);
        canvas.setFont(QStringLiteral("MS Sans Serif"), 10, true, bold);
        QVERIFY(QFontInfo(canvas.font()).fixedPitch());
        QCOMPARE(QFontInfo(canvas.font()).bold(), bold);
        const QFontMetrics metrics(canvas.font());
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiiii")), metrics.horizontalAdvance(QStringLiteral("WWWWW")));
    }

    void surveyPrintsToPdfWithAlignedColumns()
    {
        const auto records = catalogue(120);
        test::MemoryDataset table;
        table.load(records);
        const QString pdf = m_dir.filePath(QStringLiteral("survey.pdf"));
        QPointF headingAt;
        {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            const QPageLayout chosen = printer.pageLayout();
            // A file has no unprintable border: the layout's margins stay, so a paper print keeps the text.
            headingAt = chosen.paintRect(QPageLayout::Point).topLeft() + QPointF(1, 1) * 50.0 * 72 / printer.resolution();
            PrinterCanvas canvas(printer);
            printSurvey(table, canvas);
            QVERIFY(printer.pageLayout().isEquivalentTo(chosen));
        }
        QCOMPARE(table.suspensionDepth(), 0);

        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Tolvex - Levelübersicht\n"))), qPrintable(info));

        const std::vector<PrintedLine> printed = printedLines(pdf);
        QCOMPARE(int(printed.size()), 1 + 120);
        QVERIFY(printed.back().page > 0);
        QCOMPARE(printed.front().page, 0);
        const PrintedWord& nr = printed.front().words.front();
        const double origin = nr.x;
        QVERIFY((QPointF(nr.x, printed.front().y) - headingAt).manhattanLength() < 0.2);
        const double charWidth = (nr.xMax - nr.x) / 3;

        // Each line reads exactly as composed, each word at the position its
        // character column gives in a fixed-pitch font.
        for (std::size_t i = 0; i < printed.size(); ++i) {
            const QString composed = i == 0 ? surveyHeading() : surveyLine(int(i), records[i - 1]);
            static const QRegularExpression word(QStringLiteral("\\S+"));
            QStringList texts;
            std::vector<double> columns;
            for (auto it = word.globalMatch(composed); it.hasNext();) {
                const auto m = it.next();
                texts << m.captured();
                columns.push_back(origin + double(m.capturedStart()) * charWidth);
            }
            const PrintedLine& line = printed[i];
            QStringList printedTexts;
            for (const PrintedWord& w : line.words)
                printedTexts << w.text;
            QCOMPARE(printedTexts, texts);
            for (std::size_t w = 0; w < columns.size(); ++w)
                QVERIFY2(qAbs(line.words[w].x - columns[w]) < charWidth / 4,
                         qPrintable(QStringLiteral("line %1, word %2").arg(i).arg(texts[qsizetype(w)])));
        }
    }

    void onAPrinterTheCanvasIsItsPrintableArea()
    {
        const QMarginsF unprintable(12, 14, 16, 18);
        const QPageLayout chosen(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(36, 36, 36, 36),
                                 QPageLayout::Point, unprintable);
        const QPageLayout printer = canvasLayout(chosen, false);
        QCOMPARE(printer.margins(), unprintable);
        QCOMPARE(printer.paintRectPixels(600).topLeft(), QPoint(qRound(12 * 600 / 72.0), qRound(14 * 600 / 72.0)));
        QCOMPARE(canvasLayout(chosen, true).margins(), chosen.margins());
    }

    void unwritableOutputFailsAndResumesTheDisplay()
    {
        test::MemoryDataset table;
        table.load(catalogue(3));
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath(QStringLiteral("no/such/folder/survey.pdf")));
        PrinterCanvas canvas(printer);
        try {
            printSurvey(table, canvas);
            QFAIL("printing into a missing folder succeeded");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), QStringLiteral("Fehler beim Drucken"));
        }
        QCOMPARE(table.suspensionDepth(), 0);
    }
};

QTEST_MAIN(PrintedSurveyTest)
#include "printedSurveyTest.moc"
