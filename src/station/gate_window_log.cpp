#include "gate_window.h"

#include "common/clock.h"
#include "logview/log_dates.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "logview/log_purge.h"
#include "logview/log_report.h"
#include "logview/report_printer.h"
#include "logview/result_filter.h"
#include "settings_screen.h"
#include "widgets/prompts.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

namespace {

const QColor White(255, 255, 255);
const QColor LightGreen(192, 255, 192);
const QString InvalidId = QStringLiteral("Invalid ID Entered");

QString selectedFilter(const QListWidget *filters)
{
    const QListWidgetItem *item = filters->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

} // namespace

// Lists the date range under the chosen result filter, newest line selected.
void GateWindow::cmdGateLog_Click()
{
    const auto rows = openLogView(LogSelection::dateRange(dtStart->date(), dtEnd->date()));
    if (!rows)
        return;
    const QString filter = selectedFilter(lstFilter);
    if (!rows->isEmpty())
        setLogBackground(listsEveryRow(filter) ? White : LightGreen);
    QStringList lines;
    for (const LogRow &row : *rows) {
        if (passesFilter(filter, row.result))
            lines << logLine(row);
    }
    if (!rows->isEmpty() && listsEveryRow(filter))
        lstFilter->setCurrentRow(0);
    showLogLines(std::move(lines));
}

void GateWindow::cmdFilterCustomerID_Click()
{
    const auto answer = Prompts::input(this, QStringLiteral("Enter Customer's ID"),
                                       QStringLiteral("Search Customer ID"), QString());
    const auto id = answer ? customerId(*answer) : std::nullopt;
    if (!id) {
        Prompts::message(this, InvalidId);
        return;
    }
    lookUpCustomer(*id);
}

// Drill-down: the customer of the clicked line.
void GateWindow::lstLog_MouseUp()
{
    const QModelIndexList selected = lstLog->selectionModel()->selectedIndexes();
    const QString line = selected.isEmpty() ? QString() : selected.first().data().toString();
    if (line.isEmpty())
        return;
    lstFilter->setCurrentRow(ResultFilters.indexOf(Filters::ListSelection));
    setLogBackground(LightGreen);
    const auto id = customerIdOfLine(line);
    if (!id) {
        Prompts::message(this, InvalidId);
        return;
    }
    lookUpCustomer(*id);
}

void GateWindow::lookUpCustomer(qint64 custId)
{
    const auto rows = openLogView(LogSelection::customer(custId));
    if (!rows) {
        Prompts::message(this, InvalidId);
        return;
    }
    if (rows->isEmpty())
        Prompts::message(this, QStringLiteral("No Records For ID %1").arg(custId));
    QStringList lines;
    for (const LogRow &row : *rows)
        lines << logLine(row);
    showLogLines(std::move(lines));
}

// Reconnects, empties the list and reads the selected rows; none when the gate
// log cannot be read (the status line says why).
std::optional<QList<LogRow>> GateWindow::openLogView(const LogSelection &selection)
{
    auto notListed = [this](const QString &why) {
        showStatus(QStringLiteral("Gate log not listed: %1").arg(why));
        return std::nullopt;
    };
    QString error;
    if (!m_data.reconnect(m_settings, &error))
        return notListed(error);
    txtCheckCode->setFocus();
    m_logModel->clear();
    QList<LogRow> rows;
    if (!queryLog(m_data.AdoGateLog.database(), selection, rows, &error))
        return notListed(error);
    showStatus(m_connectedText);
    m_logView = selection;
    return rows;
}

void GateWindow::showLogLines(QStringList lines)
{
    m_logModel->setLines(std::move(lines));
    if (m_logModel->rowCount() > 0) {
        const QModelIndex newest = m_logModel->index(m_logModel->rowCount() - 1);
        lstLog->setCurrentIndex(newest);
        lstLog->scrollTo(newest);
    }
    cmdCheckCode->setEnabled(true);
    txtCheckCode->setFocus();
}

void GateWindow::lstFilter_MouseUp()
{
    if (!selectedFilter(lstFilter).isEmpty())
        cmdGateLog_Click();
}

// After a keypad decision: "ALL" over the last LogViewDays days.
void GateWindow::resetLogViewToRecentDays()
{
    lstFilter->setCurrentRow(0);
    const QDateTime now = Clock::now();
    dtStart->setDateTime(now);
    const auto start = daysBefore(now, m_settings.LogViewDays);
    if (!start)
        return;
    dtStart->setDateTime(*start);
    dtEnd->setDateTime(now);
    cmdGateLog->click();
}

void GateWindow::setLogBackground(const QColor &colour)
{
    QPalette palette = lstLog->palette();
    palette.setColor(QPalette::Base, colour);
    lstLog->setPalette(palette);
}

void GateWindow::cmdPrintLog_Click()
{
    const QStringList listed = m_logModel->lines();
    if (listed.isEmpty())
        return;
    if (!Prompts::question(this, QStringLiteral("Print Log Records "),
                           QStringLiteral("Print Records")))
        return;
    const QStringList lines = logReportLines(m_settings, dtStart->date(), dtEnd->date(),
                                             selectedFilter(lstFilter), listed);
    // The list shows each line as it goes to the report, and nothing afterwards.
    for (int row = 0; row < m_logModel->rowCount(); ++row)
        lstLog->setCurrentIndex(m_logModel->index(row));
    lstLog->selectionModel()->clear();
    printOrSave(lines);
}

// To the default printer or, where there is none, to a PDF file the operator names.
bool GateWindow::printOrSave(const QStringList &lines)
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    QPrinter printer(QPrinter::HighResolution);
    QString done = QStringLiteral("Sent to Printer");
    if (defaultPrinter.isNull()) {
        if (!Prompts::question(this,
                               QStringLiteral("There is no default printer. Save the report as a "
                                              "PDF file instead?"),
                               QStringLiteral("Print Records")))
            return false;
        const QString file = Prompts::saveFileName(this, QStringLiteral("Save Report"),
                                                   QStringLiteral("PDF files (*.pdf)"));
        if (file.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        done = QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(file));
    } else {
        printer.setPrinterName(defaultPrinter.printerName());
    }
    QString error;
    if (!printReport(printer, lines, &error)) {
        Prompts::message(this, QStringLiteral("The log was not printed: %1").arg(error));
        return false;
    }
    Prompts::message(this, done);
    return true;
}

// Deletes the open view's rows up to the purge day, after the operator agrees.
// The question lets events run, and a keypad decision meanwhile changes the
// open view: the purge keeps to the view the operator was asked about.
void GateWindow::cmdClearLog_Click()
{
    const QDate lastDay = fraSettings->purgeDate->date();
    const LogSelection view = m_logView;
    m_logModel->clear();
    const QSqlDatabase gateDb = m_data.AdoGateLog.database();
    qint64 rows = 0;
    QString error;
    if (!LogPurge::countRows(gateDb, view, rows, &error)) {
        Prompts::message(this, QStringLiteral("The gate log cannot be read: %1").arg(error));
        return;
    }
    if (rows > 0) {
        if (!Prompts::question(
                this, QStringLiteral("Delete Log Records %1 and Older?").arg(shortDate(lastDay)),
                QStringLiteral("Delete Log Records?")))
            return;
        qint64 deleted = 0;
        if (!LogPurge::deleteThrough(gateDb, view, lastDay, deleted, &error)) {
            Prompts::message(this, QStringLiteral("No log records were deleted: %1").arg(error));
            return;
        }
        m_logModel->clear(); // lines listed meanwhile may name deleted rows
        showStatus(QStringLiteral("%1 log records deleted").arg(deleted));
    }
    cmdCheckCode->setEnabled(true);
    txtCheckCode->setFocus();
}
