#pragma once

#include "platform/printing/Canvas.h"

#include <QFont>
#include <QPageLayout>
#include <QPainter>

#include <optional>

class QPrinter;

namespace tolvex {

// The canvas of a QPrinter, set up beforehand (by the print dialog); its
// origin is the top left corner of the area canvasLayout() gives.
// Failures of the printer are thrown as "Fehler beim Drucken"; a document
// left unfinished is aborted when the canvas goes away.
class PrinterCanvas final : public Canvas {
public:
    explicit PrinterCanvas(QPrinter& printer);
    ~PrinterCanvas() override;
    PrinterCanvas(const PrinterCanvas&) = delete;
    PrinterCanvas& operator=(const PrinterCanvas&) = delete;

    void setDocumentName(const QString& name) override;
    void beginDoc() override;
    void endDoc() override;
    void abort() noexcept override;
    void newPage() override;

    // A fixed pitch that is asked for is honoured even when the named font
    // doesn't exist here: a fixed-pitch family takes its place.
    void setFont(const QString& name, int pointSize, bool fixedPitch, bool bold) override;
    void textOut(int x, int y, const QString& text) override;
    [[nodiscard]] int textHeight(const QString& text) const override;
    [[nodiscard]] int pageHeight() const override;

    [[nodiscard]] const QFont& font() const { return m_font; }

private:
    void restoreLayout() noexcept;

    QPrinter& m_printer;
    QPainter m_painter;
    QFont m_font;
    std::optional<QPageLayout> m_dialogLayout;
};

[[nodiscard]] QString printFailedMessage();

// The page layout whose paint area is the canvas. On a printer that is its
// printable area, as on the classic platform. A file has no unprintable
// border; there the layout's own margins stand in for it, so that the file
// printed on paper later keeps the text on the sheet.
[[nodiscard]] QPageLayout canvasLayout(QPageLayout layout, bool toFile);

} // namespace tolvex
