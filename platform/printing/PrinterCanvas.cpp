#include "platform/printing/PrinterCanvas.h"

#include "platform/dialogs/TolvexError.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPrinter>

#include <utility>

namespace tolvex {

namespace {

// The requested family when it is fixed-pitch itself, else the first
// fixed-pitch family this system has. Windows' font mapper honours a pitch
// request; fontconfig matches the family name first and would hand back a
// proportional font for "MS Sans Serif".
QFont fixedPitchFont(QFont font)
{
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).fixedPitch())
        return font;
    const QStringList candidates{QFontDatabase::systemFont(QFontDatabase::FixedFont).family(),
                                 QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                                 QStringLiteral("Noto Sans Mono"), QStringLiteral("monospace")};
    for (const QString& family : candidates) {
        font.setFamilies({family});
        if (QFontInfo(font).fixedPitch())
            return font;
    }
    return font;
}

} // namespace

QString printFailedMessage()
{
    return QStringLiteral("Fehler beim Drucken");
}

QPageLayout canvasLayout(QPageLayout layout, bool toFile)
{
    if (!toFile)
        layout.setMargins(layout.minimumMargins());
    return layout;
}

PrinterCanvas::PrinterCanvas(QPrinter& printer)
    : m_printer(printer)
{
}

PrinterCanvas::~PrinterCanvas()
{
    if (m_painter.isActive())
        abort();
}

void PrinterCanvas::setDocumentName(const QString& name)
{
    m_printer.setDocName(name);
}

void PrinterCanvas::beginDoc()
{
    if (m_painter.isActive())
        throw TolvexError(printFailedMessage());
    const bool toFile = m_printer.outputFormat() == QPrinter::PdfFormat || !m_printer.outputFileName().isEmpty();
    // The printer keeps the dialog's settings; the canvas layout lasts one document.
    m_dialogLayout = m_printer.pageLayout();
    m_printer.setPageLayout(canvasLayout(*m_dialogLayout, toFile));
    if (!m_painter.begin(&m_printer)) {
        restoreLayout();
        throw TolvexError(printFailedMessage());
    }
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
}

void PrinterCanvas::endDoc()
{
    const bool failed = !m_painter.isActive() || !m_painter.end() || m_printer.printerState() == QPrinter::Error;
    restoreLayout();
    if (failed)
        throw TolvexError(printFailedMessage());
}

void PrinterCanvas::abort() noexcept
{
    m_printer.abort();
    if (m_painter.isActive())
        m_painter.end();
    restoreLayout();
}

void PrinterCanvas::restoreLayout() noexcept
{
    if (m_dialogLayout)
        m_printer.setPageLayout(*std::exchange(m_dialogLayout, std::nullopt));
}

void PrinterCanvas::newPage()
{
    if (!m_painter.isActive() || !m_printer.newPage())
        throw TolvexError(printFailedMessage());
}

void PrinterCanvas::setFont(const QString& name, int pointSize, bool fixedPitch, bool bold)
{
    QFont font(name, pointSize);
    font.setBold(bold);
    m_font = fixedPitch ? fixedPitchFont(font) : font;
    if (m_painter.isActive())
        m_painter.setFont(m_font);
}

void PrinterCanvas::textOut(int x, int y, const QString& text)
{
    if (!m_painter.isActive())
        throw TolvexError(printFailedMessage());
    m_painter.drawText(x, y + m_painter.fontMetrics().ascent(), text);
}

// The height of the font's line, whatever the text, as on a Windows canvas.
int PrinterCanvas::textHeight(const QString&) const
{
    return QFontMetrics(m_font, &m_printer).height();
}

int PrinterCanvas::pageHeight() const
{
    return m_printer.height();
}

} // namespace tolvex
