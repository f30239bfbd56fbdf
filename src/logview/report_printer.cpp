#include "report_printer.h"

#include "common/error_text.h"
#include "widgets/fixed_pitch_font.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

namespace {

// The first line starts this far below the top of the printable area (500 twips).
constexpr qreal FirstLineInches = 500.0 / 1440.0;

// Lines down a page, the headings at the top of each and its number at the foot.
class PageWriter {
public:
    PageWriter(QPrinter &printer, QPainter &painter, const QString &headings)
        : m_printer(printer)
        , m_painter(painter)
        , m_metrics(painter.font())
        , m_headings(headings)
        , m_top(FirstLineInches * printer.resolution())
        , m_foot(painter.viewport().height() - m_metrics.lineSpacing())
        , m_y(m_top)
    {}

    // The first page's own lines come before its headings.
    void firstPage(const QStringList &lines)
    {
        for (const QString &line : lines)
            draw(line);
        draw(m_headings);
    }

    bool line(const QString &text, QString *error)
    {
        if (m_y + m_metrics.height() > m_foot && !nextPage(error))
            return false;
        draw(text);
        return true;
    }

    void finish() { drawPageNumber(); }

private:
    bool nextPage(QString *error)
    {
        drawPageNumber();
        if (!m_printer.newPage()) {
            setError(error, QStringLiteral("the printer did not take a new page"));
            return false;
        }
        ++m_page;
        m_y = m_top;
        draw(m_headings);
        return true;
    }

    void draw(const QString &text)
    {
        m_painter.drawText(QPointF(0, m_y + m_metrics.ascent()), text);
        m_y += m_metrics.lineSpacing();
    }

    void drawPageNumber()
    {
        m_painter.drawText(QPointF(0, m_foot + m_metrics.ascent()),
                           QStringLiteral("Page %1").arg(m_page));
    }

    QPrinter &m_printer;
    QPainter &m_painter;
    QFontMetricsF m_metrics;
    QString m_headings;
    qreal m_top;
    qreal m_foot;
    qreal m_y;
    int m_page = 1;
};

} // namespace

bool printReport(QPrinter &printer, const LogReport &report, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        setError(error, QStringLiteral("the printer did not accept the document"));
        return false;
    }
    const QFont font = fixedPitchFont(8);
    painter.setFont(QFont(font, painter.device()));
    PageWriter pages(printer, painter, report.headings);
    pages.firstPage(report.firstPage);
    QStringList batch;
    bool read = false;
    while ((read = report.lines(batch, error)) && !batch.isEmpty()) {
        for (const QString &line : std::as_const(batch)) {
            if (!pages.line(line, error)) {
                painter.end();
                return false;
            }
        }
    }
    if (!read) {
        painter.end();
        return false;
    }
    pages.finish();
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        setError(error, QStringLiteral("the printer reported an error"));
        return false;
    }
    return true;
}
