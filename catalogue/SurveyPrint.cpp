#include "catalogue/SurveyPrint.h"

#include "catalogue/SurveyLines.h"
#include "level/LevelFields.h"
#include "platform/dataaware/Dataset.h"
#include "platform/dataaware/DisplaySuspension.h"
#include "platform/printing/Canvas.h"

#include <QStringList>

namespace tolvex {

namespace {

constexpr int kLeft = 50;
constexpr int kTop = 50;
constexpr int kBottomMargin = 100;
constexpr int kFontSize = 10;

QString surveyFont()
{
    return QStringLiteral("MS Sans Serif");
}

// Aborts the document unless it was ended.
class OpenDocument {
public:
    explicit OpenDocument(Canvas& canvas)
        : m_canvas(canvas)
    {
        m_canvas.beginDoc();
    }
    ~OpenDocument()
    {
        if (m_open)
            m_canvas.abort();
    }
    OpenDocument(const OpenDocument&) = delete;
    OpenDocument& operator=(const OpenDocument&) = delete;

    void end()
    {
        m_open = false;
        m_canvas.endDoc();
    }

private:
    Canvas& m_canvas;
    bool m_open = true;
};

QStringList currentTexts(const Dataset& table)
{
    QStringList texts;
    texts.reserve(kFieldCount);
    for (int pos = 0; pos < kFieldCount; ++pos)
        texts << table.text(pos);
    return texts;
}

} // namespace

QString surveyDocumentName()
{
    return QStringLiteral("Tolvex - Levelübersicht");
}

void printSurvey(Dataset& table, Canvas& canvas, const std::function<void(int done)>& progress)
{
    canvas.setDocumentName(surveyDocumentName());
    OpenDocument document(canvas);
    canvas.setFont(surveyFont(), kFontSize, true, false);
    DisplaySuspension suspension(table);

    canvas.setFont(surveyFont(), kFontSize, true, true);
    canvas.textOut(kLeft, kTop, surveyHeading());
    canvas.setFont(surveyFont(), kFontSize, true, false);

    table.first();
    int lines = 0;
    int offset = canvas.textHeight(QStringLiteral("X"));
    bool pageFull = false;
    while (!table.eof()) {
        // The page is changed only when another line follows, so a survey
        // that just fills its last page doesn't end on a blank sheet.
        if (pageFull) {
            canvas.newPage();
            offset = 0;
            pageFull = false;
        }
        ++lines;
        const QString line = surveyLine(lines, currentTexts(table));
        canvas.textOut(kLeft, kTop + offset, line);
        offset += canvas.textHeight(line);
        pageFull = offset >= canvas.pageHeight() - kBottomMargin;
        if (progress)
            progress(lines);
        table.next();
    }

    suspension.resume();
    document.end();
}

} // namespace tolvex
