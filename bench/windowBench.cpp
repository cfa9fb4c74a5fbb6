// The windows with real widgets under the offscreen platform: a record
// change in the main window with its picture decoded ahead or not, the memo
// on a description of megabytes, a keystroke in the overview's search, and
// the printed survey, with libjpeg's own full-size decode beside the first.

#include "bench/BenchData.h"
#include "bench/ProgramWindows.h"
#include "bench/Registration.h"
#include "catalogue/LevelTable.h"
#include "catalogue/Screenshots.h"
#include "catalogue/SurveyPrint.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/DBMemo.h"
#include "platform/pictures/ImageScale.h"
#include "platform/pictures/JpegImage.h"
#include "platform/pictures/PictureBox.h"
#include "platform/pictures/PictureCache.h"
#include "platform/printing/PrinterCanvas.h"
#include "shell/EingabeMaske.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <random>
#include <vector>

using namespace tolvex;
using namespace tolvex::bench;

namespace {

void reportProgramErrors(benchmark::State& state)
{
    const QString errors = ProgramWindows::instance().takeErrors();
    if (!errors.isEmpty())
        state.SkipWithError(errors.toStdString().c_str());
}

// The records with screenshots, walked to and fro one move at a time.
int nextInWalk(int& step)
{
    const int period = 2 * (kPictured - 1);
    const int at = step++ % period;
    return kFirstPictured + (at < kPictured ? at : period - at);
}

void waitForPrefetch()
{
    (void)QTest::qWaitFor([] { return !Form2->pictures()->isDecoding(); }, 10'000);
}

void countPicture(benchmark::State& state)
{
    state.counters["region_w"] = Form2->Image1->width();
    state.counters["region_h"] = Form2->Image1->height();
    state.counters["decoded_w"] = Form2->Image1->image().width();
    state.counters["decoded_h"] = Form2->Image1->image().height();
    const LevelTable* table = Form1->Table1;
    if (Form2->Image1->path() != screenshotPath(table->textAt(table->recNo() - 1, Field::Datei)))
        state.SkipWithError("the picture shown is not the current record's");
}

// libjpeg's own decode of the whole picture, into a buffer kept from call to call.
void fullDecode(const QByteArray& path, std::vector<JSAMPLE>& pixels)
{
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.constData(), "rb"), std::fclose);
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.get());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * size_t(info.output_components);
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

// One move to the next or prior record: the bound controls follow, the
// screenshot is drawn into the picture region, the counter is rewritten.
void moveOnce(LevelTable* table, int& step)
{
    table->moveTo(nextInWalk(step));
    // The main window stays hidden (showing it starts the program's
    // start-up dialogs), so the picture is drawn the way a paint would.
    benchmark::DoNotOptimize(Form2->Image1->grab());
}

// A move with the neighbours decoded ahead.
void BM_RecordChangePrefetched(benchmark::State& state)
{
    ProgramWindows::instance();
    LevelTable* table = Form1->Table1;
    int step = 0;
    table->moveTo(nextInWalk(step));
    for (auto _ : state) {
        state.PauseTiming();
        waitForPrefetch();
        state.ResumeTiming();
        moveOnce(table, step);
    }
    countPicture(state);
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_RecordChangePrefetched)->Apply(repeated)->Unit(benchmark::kMillisecond);

// A move with nothing decoded, as after a jump, each followed by libjpeg's
// full-size decode of the same file: the two take turns, so that a burst of
// other work on the machine, or a warm cache, falls on both alike. The
// iteration's time is the move's; the counter "peer" is the decode's.
void BM_RecordChangeNotPrefetched(benchmark::State& state)
{
    ProgramWindows::instance();
    LevelTable* table = Form1->Table1;
    const QByteArray path = QFile::encodeName(screenshotFile());
    std::vector<JSAMPLE> pixels;
    int step = 0;
    table->moveTo(nextInWalk(step));
    double peerSeconds = 0;
    for (auto _ : state) {
        waitForPrefetch();
        Form2->pictures()->clear();
        const auto start = std::chrono::steady_clock::now();
        moveOnce(table, step);
        const auto moved = std::chrono::steady_clock::now();
        fullDecode(path, pixels);
        const auto decoded = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(moved - start).count());
        peerSeconds += std::chrono::duration<double>(decoded - moved).count();
    }
    state.counters["peer"] = benchmark::Counter(peerSeconds, benchmark::Counter::kAvgIterations);
    state.counters["jpeg_bytes"] = double(QFile(screenshotFile()).size());
    countPicture(state);
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_RecordChangeNotPrefetched)->Apply(repeatedByHand)->Unit(benchmark::kMillisecond);

// The program's decode for the region alone, without the window around it.
void BM_DecodeForRegion(benchmark::State& state)
{
    const QString& path = screenshotFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(loadJpeg(path, QSize(395, 326)));
}
TOLVEX_BENCHMARK(BM_DecodeForRegion)->Apply(repeated)->Unit(benchmark::kMillisecond);

// The decode for the picture region shrunk to the region, as the picture
// cache does it, and as Qt's smooth scaling does it.
constexpr QSize kPictureRegion(403, 353);

void BM_ShrinkForRegion(benchmark::State& state)
{
    const QImage decoded = loadJpeg(screenshotFile(), kPictureRegion);
    for (auto _ : state)
        benchmark::DoNotOptimize(shrinkByArea(decoded, kPictureRegion));
    state.counters["decoded_w"] = decoded.width();
    state.counters["decoded_h"] = decoded.height();
}
TOLVEX_BENCHMARK(BM_ShrinkForRegion)->Apply(repeated)->Unit(benchmark::kMillisecond);

void BM_SmoothScalePeer(benchmark::State& state)
{
    const QImage decoded = loadJpeg(screenshotFile(), kPictureRegion);
    for (auto _ : state)
        benchmark::DoNotOptimize(decoded.scaled(kPictureRegion, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
TOLVEX_BENCHMARK(BM_SmoothScalePeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

// A noisy picture whose decode for the region costs close to the budget:
// 3600 x 3600 progressive (ten scans) or 6700 x 6700 baseline, written by
// libjpeg row by row. Made once.
QString pictureNearBudget(bool progressive)
{
    const int side = progressive ? 3600 : 6700;
    const QString path = workPath(progressive ? QStringLiteral("budget-progressive.jpg") : QStringLiteral("budget-baseline.jpg"));
    if (QFile::exists(path))
        return path;
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(QFile::encodeName(path).constData(), "wb"), std::fclose);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file.get());
    info.image_width = JDIMENSION(side);
    info.image_height = JDIMENSION(side);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::mt19937 random(3);
    std::vector<JSAMPLE> row(size_t(side) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < side; ++x) {
            const int noise = int(random() % 24);
            row[size_t(x) * 3] = JSAMPLE((x / 16 + noise) & 0xFF);
            row[size_t(x) * 3 + 1] = JSAMPLE((y / 10 + noise) & 0xFF);
            row[size_t(x) * 3 + 2] = JSAMPLE(((x + y) / 24 + noise) & 0xFF);
        }
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return path;
}

// The longest a picture may keep the window waiting: one that costs close to
// the decode budget, decoded for the picture region.
void BM_DecodeNearBudget(benchmark::State& state)
{
    const bool progressive = state.range(0) != 0;
    const QString path = pictureNearBudget(progressive);
    QImage image;
    QSize full;
    for (auto _ : state)
        benchmark::DoNotOptimize(image = loadJpeg(path, QSize(395, 326), &full));
    const qint64 work = jpegDecodeWork(qint64(full.width()) * full.height(), progressive ? 10 : 1, progressive,
                                       qint64(image.width()) * image.height());
    state.counters["budget_share"] = double(work) / double(kJpegDecodeBudget);
}
TOLVEX_BENCHMARK(BM_DecodeNearBudget)->Arg(0)->Arg(1)->Apply(repeated)->Unit(benchmark::kMillisecond);

// libjpeg alone: the same file, decoded at full size into memory.
void BM_FullDecodePeer(benchmark::State& state)
{
    const QByteArray path = QFile::encodeName(screenshotFile());
    std::vector<JSAMPLE> pixels;
    for (auto _ : state) {
        fullDecode(path, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["jpeg_bytes"] = double(QFile(screenshotFile()).size());
}
TOLVEX_BENCHMARK(BM_FullDecodePeer)->Apply(repeated)->Unit(benchmark::kMillisecond);

// A description of 12.5 MB in one line, as another tool may store it, on the
// third record; the fourth is an ordinary one. Put there once.
constexpr qsizetype kLongDescription = 12'500'000;

LevelTable& tableWithLongDescription()
{
    ProgramWindows::instance();
    LevelTable& table = *Form1->Table1;
    static const bool stored = [&table] {
        QString line;
        line.reserve(kLongDescription);
        for (int i = 0; line.size() < kLongDescription; ++i)
            line += QStringLiteral("Wort%1 ").arg(i);
        line.truncate(kLongDescription);
        table.moveTo(3);
        table.edit();
        table.setText(Field::Beschreibung, line);
        table.post();
        return true;
    }();
    (void)stored;
    return table;
}

void finishLoading(DBMemo* memo)
{
    while (memo->isLoading())
        QApplication::processEvents();
}

// One move onto the record or away from it, until the memo is drawn. Between
// the moves, the rest of the text comes in, so that the move away clears all
// of it.
void BM_LongDescriptionRecordChange(benchmark::State& state)
{
    LevelTable& table = tableWithLongDescription();
    DBMemo* memo = Form2->DBMemo1;
    int n = 0;
    for (auto _ : state) {
        table.moveTo(3 + (n++ & 1));
        benchmark::DoNotOptimize(memo->grab());
        state.PauseTiming();
        finishLoading(memo);
        state.ResumeTiming();
    }
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_LongDescriptionRecordChange)->Apply(repeated)->Unit(benchmark::kMillisecond);

// One part of the rest of the text coming in between events: what the
// window waits for at most while the text loads.
void BM_LongDescriptionLoadPart(benchmark::State& state)
{
    LevelTable& table = tableWithLongDescription();
    DBMemo* memo = Form2->DBMemo1;
    for (auto _ : state) {
        if (!memo->isLoading()) {
            state.PauseTiming();
            table.moveTo(4);
            table.moveTo(3);
            state.ResumeTiming();
        }
        QApplication::processEvents();
    }
    finishLoading(memo);
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_LongDescriptionLoadPart)->Apply(repeated)->Unit(benchmark::kMillisecond);

// A jump of the memo's scroll bar to somewhere in the line, until drawn.
void BM_LongDescriptionScroll(benchmark::State& state)
{
    tableWithLongDescription().moveTo(3);
    finishLoading(Form2->DBMemo1);
    QScrollBar* bar = Form2->DBMemo1->verticalScrollBar();
    std::mt19937 random(7);
    for (auto _ : state) {
        bar->setValue(int(random() % unsigned(bar->maximum() + 1)));
        benchmark::DoNotOptimize(Form2->DBMemo1->grab());
    }
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_LongDescriptionScroll)->Apply(repeated)->Unit(benchmark::kMillisecond);

// A key typed into the middle of the line while the record is edited, until drawn.
void BM_LongDescriptionKeystroke(benchmark::State& state)
{
    LevelTable& table = tableWithLongDescription();
    table.moveTo(3);
    table.edit();
    DBMemo* memo = Form2->DBMemo1;
    QTextCursor cursor(memo->document()->findBlockByNumber(memo->blockCount() / 2));
    memo->setTextCursor(cursor);
    for (auto _ : state) {
        QTest::keyClick(memo, Qt::Key_A);
        benchmark::DoNotOptimize(memo->grab());
    }
    table.cancel();
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_LongDescriptionKeystroke)->Apply(repeated)->Unit(benchmark::kMillisecond);

// One key typed into the overview's search field, until the grid has
// scrolled to the nearest record and repainted.
void BM_SearchKeystroke(benchmark::State& state)
{
    ProgramWindows::instance();
    Form1->show();
    QApplication::processEvents();
    std::mt19937 random(11);
    const auto& levels = generatedLevels();
    QString word;
    qsizetype typed = 0;
    for (auto _ : state) {
        if (typed == word.size()) {
            state.PauseTiming();
            // A new search word replaces the old one as the user types over it.
            word = levels[random() % levels.size()].front();
            typed = 0;
            Form1->Edit1->selectAll();
            state.ResumeTiming();
        }
        QTest::keyClick(Form1->Edit1, word.at(typed++).toLatin1());
        QApplication::processEvents();
    }
    // A grid that stayed behind would make this a measure of nothing.
    const QModelIndex current = Form1->DBGrid1->currentIndex();
    const bool inView = Form1->DBGrid1->viewport()->rect().intersects(Form1->DBGrid1->visualRect(current));
    if (current.row() != Form1->Table1->recNo() - 1 || !inView)
        state.SkipWithError("the grid did not follow the search");
    Form1->hide();
    reportProgramErrors(state);
}
TOLVEX_BENCHMARK(BM_SearchKeystroke)->Apply(repeated)->Unit(benchmark::kMicrosecond);

// Counts the pages while the printer canvas does the work.
class PageCounter final : public Canvas {
public:
    explicit PageCounter(Canvas& canvas)
        : m_canvas(canvas)
    {
    }
    void setDocumentName(const QString& name) override { m_canvas.setDocumentName(name); }
    void beginDoc() override
    {
        m_pages = 1;
        m_canvas.beginDoc();
    }
    void endDoc() override { m_canvas.endDoc(); }
    void abort() noexcept override { m_canvas.abort(); }
    void newPage() override
    {
        ++m_pages;
        m_canvas.newPage();
    }
    void setFont(const QString& name, int pointSize, bool fixedPitch, bool bold) override
    {
        m_canvas.setFont(name, pointSize, fixedPitch, bold);
    }
    void textOut(int x, int y, const QString& text) override { m_canvas.textOut(x, y, text); }
    [[nodiscard]] int textHeight(const QString& text) const override { return m_canvas.textHeight(text); }
    [[nodiscard]] int pageHeight() const override { return m_canvas.pageHeight(); }
    [[nodiscard]] int pages() const { return m_pages; }

private:
    Canvas& m_canvas;
    int m_pages = 0;
};

void BM_PrintSurvey(benchmark::State& state)
{
    const int count = int(state.range(0));
    LevelTable table;
    table.setFileName(catalogueCopy(QStringLiteral("print"), count));
    table.open();
    const QString pdf = workPath(QStringLiteral("survey.pdf"));
    int pages = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        PrinterCanvas canvas(printer);
        PageCounter counter(canvas);
        printSurvey(table, counter);
        pages = counter.pages();
    }
    state.counters["pages"] = pages;
    state.counters["pdf_bytes"] = double(QFile(pdf).size());
}
TOLVEX_BENCHMARK(BM_PrintSurvey)->Arg(10'000)->Apply(repeated)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
