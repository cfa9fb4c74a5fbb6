#pragma once

#include <QString>

namespace tolvex {

// A printer's drawing surface as the program uses it: one document of pages,
// text at positions in the device's own pixels, measured from the top left
// corner of the printable area.
class Canvas {
public:
    virtual ~Canvas() = default;

    // The name the print job carries in the queue; set before beginDoc.
    virtual void setDocumentName(const QString& name) = 0;
    virtual void beginDoc() = 0;
    virtual void endDoc() = 0;
    // Drops a document that cannot be finished. Never throws: it runs while
    // another error is on its way out.
    virtual void abort() noexcept = 0;
    virtual void newPage() = 0;

    virtual void setFont(const QString& name, int pointSize, bool fixedPitch, bool bold) = 0;
    // (x, y) is the top left corner of the text.
    virtual void textOut(int x, int y, const QString& text) = 0;
    [[nodiscard]] virtual int textHeight(const QString& text) const = 0;
    [[nodiscard]] virtual int pageHeight() const = 0;
};

} // namespace tolvex
