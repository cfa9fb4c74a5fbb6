#pragma once

#include "platform/dataaware/Dataset.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/printing/Canvas.h"

#include <QStringList>

// Keeps every call as one text line, fixed line and page heights, and can
// fail at a chosen call like a printer that runs out of paper.
class RecordingCanvas final : public tolvex::Canvas {
public:
    RecordingCanvas(int lineHeight, int pageHeight, const tolvex::Dataset* table = nullptr)
        : m_lineHeight(lineHeight)
        , m_pageHeight(pageHeight)
        , m_table(table)
    {
    }

    // The n-th call (1-based) whose log line starts with the prefix throws.
    void failAt(const QString& prefix, int n)
    {
        m_failPrefix = prefix;
        m_failAt = n;
    }

    QStringList calls;
    QStringList drawnWhileDisplayShown; // texts drawn while the table's controls followed the cursor

    void setDocumentName(const QString& name) override { log(QStringLiteral("name ") + name); }
    void beginDoc() override { log(QStringLiteral("begin")); }
    void endDoc() override { log(QStringLiteral("end")); }
    void abort() noexcept override { calls << QStringLiteral("abort"); }
    void newPage() override { log(QStringLiteral("page")); }
    void setFont(const QString& name, int pointSize, bool fixedPitch, bool bold) override
    {
        log(QStringLiteral("font %1 %2%3%4").arg(name).arg(pointSize).arg(fixedPitch ? " fixed" : "").arg(bold ? " bold" : ""));
    }
    void textOut(int x, int y, const QString& text) override
    {
        log(QStringLiteral("text %1,%2 %3").arg(x).arg(y).arg(text));
        if (m_table && !m_table->controlsDisabled())
            drawnWhileDisplayShown << text;
    }
    int textHeight(const QString&) const override { return m_lineHeight; }
    int pageHeight() const override { return m_pageHeight; }

    // "70 90 | 50" : the y of every text line after the heading, pages split by "|".
    [[nodiscard]] QString linePositions() const
    {
        QStringList out;
        bool heading = true;
        for (const QString& call : calls) {
            if (call == QLatin1String("page"))
                out << QStringLiteral("|");
            if (!call.startsWith(QLatin1String("text ")))
                continue;
            if (heading) {
                heading = false;
                continue;
            }
            out << call.section(u' ', 1, 1).section(u',', 1, 1);
        }
        return out.join(u' ');
    }

private:
    void log(const QString& call)
    {
        calls << call;
        if (!m_failPrefix.isEmpty() && call.startsWith(m_failPrefix) && --m_failAt == 0)
            throw tolvex::TolvexError(QStringLiteral("Der Drucker hat kein Papier"));
    }

    int m_lineHeight;
    int m_pageHeight;
    const tolvex::Dataset* m_table;
    QString m_failPrefix;
    int m_failAt = 0;
};
