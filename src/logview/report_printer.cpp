#include "report_printer.h"

#include "common/error_text.h"
#include "widgets/fixed_pitch_font.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

namespace {

// The first line starts this far below the top of the printable area (500 twips).
constexpr qreal FirstLineInches = 500.0 / 1440.0;

} // namespace

bool printReport(QPrinter &printer, const ReportLines &lines, QString *error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        setError(error, QStringLiteral("the printer did not accept the document"));
        return false;
    }
    const QFont font = fixedPitchFont(8);
    painter.setFont(QFont(font, painter.device()));
    const QFontMetricsF metrics(painter.font());
    const qreal pageHeight = painter.viewport().height();
    const qreal top = FirstLineInches * printer.resolution();
    qreal y = top;
    QStringList batch;
    bool read = false;
    while ((read = lines(batch, error)) && !batch.isEmpty()) {
        for (const QString &line : std::as_const(batch)) {
            if (y + metrics.height() > pageHeight) {
                if (!printer.newPage()) {
                    setError(error, QStringLiteral("the printer did not take a new page"));
                    painter.end();
                    return false;
                }
                y = top;
            }
            painter.drawText(QPointF(0, y + metrics.ascent()), line);
            y += metrics.lineSpacing();
        }
    }
    if (!read) {
        painter.end();
        return false;
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        setError(error, QStringLiteral("the printer reported an error"));
        return false;
    }
    return true;
}
