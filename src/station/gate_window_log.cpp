#include "gate_window.h"

#include "common/clock.h"
#include "logview/log_dates.h"
#include "logview/log_export.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "logview/log_report.h"
#include "logview/log_view_text.h"
#include "logview/report_printer.h"
#include "logview/result_filter.h"
#include "settings_screen.h"
#include "widgets/prompts.h"

#include <QDateTimeEdit>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <limits>

namespace {

const QColor White(255, 255, 255);
const QColor LightGreen(192, 255, 192);
const QString InvalidId = QStringLiteral("Invalid ID Entered");
// A purge batch that found the log locked is tried again after this long.
constexpr int PurgeRetryMs = 50;
constexpr qint64 IntMax = std::numeric_limits<int>::max();

// "12 of 40 log records exported". Setting the value of a window-modal box runs
// pending events; callers queue their next step only after it.
void showProgress(QProgressDialog &box, qint64 done, qint64 total, const char *verb)
{
    box.setLabelText(
        QStringLiteral("%1 of %2 log records %3").arg(done).arg(total).arg(QLatin1String(verb)));
    box.setValue(int(std::min(done, IntMax)));
}

QString selectedFilter(const QListWidget *filters)
{
    const QListWidgetItem *item = filters->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

} // namespace

// Lists the date range under the chosen result filter, newest line selected.
void GateWindow::cmdGateLog_Click()
{
    const LogSelection range = LogSelection::dateRange(dtStart->date(), dtEnd->date());
    const QString filter = selectedFilter(lstFilter);
    if (!openLogView(range, filter))
        return;
    // The colour and "ALL" follow the range's rows, whether the filter lists them or not.
    bool any = false;
    QString error;
    if (!selectionHasRows(m_data.AdoGateLog.database(), range, any, &error))
        showLogFailure(error);
    if (any) {
        setLogBackground(listsEveryRow(filter) ? White : LightGreen);
        if (listsEveryRow(filter))
            lstFilter->setCurrentRow(0);
    }
    showNewestLine();
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
    if (!openLogView(LogSelection::customer(custId), Filters::All)) {
        Prompts::message(this, InvalidId);
        return;
    }
    if (m_logModel->rowCount() == 0)
        Prompts::message(this, QStringLiteral("No Records For ID %1").arg(custId));
    showNewestLine();
}

// Reconnects and lists the selected rows that pass the filter; false when the
// gate log cannot be read (the status line says why).
bool GateWindow::openLogView(const LogSelection &selection, const QString &filter)
{
    QString error;
    if (!m_data.reconnect(m_settings, &error)) {
        showLogFailure(error);
        return false;
    }
    txtCheckCode->setFocus();
    const QSqlDatabase gateDb = m_data.AdoGateLog.database();
    addMissingLogIndexes(gateDb);
    connect(m_logModel, &LogListModel::readFailed, this, &GateWindow::showLogFailure,
            Qt::UniqueConnection);
    if (!m_logModel->list(gateDb, selection, filter, &error)) {
        showLogFailure(error);
        return false;
    }
    showStatus(m_connectedText);
    m_logView = selection;
    lblLogCaption->setText(viewCaption(selection, filter, customerNameOf(selection),
                                       m_logModel->listing().rowCount()));
    return true;
}

// The name the customer's newest log row carries; none for a view of no customer.
QString GateWindow::customerNameOf(const LogSelection &view) const
{
    QString name;
    if (view.ofCustomer())
        customerName(m_data.AdoGateLog.database(), view.custId, name, nullptr);
    return name;
}

void GateWindow::showLogFailure(const QString &why)
{
    showStatus(QStringLiteral("Gate log not listed: %1").arg(why));
}

void GateWindow::showNewestLine()
{
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
    const int rows = m_logModel->rowCount();
    if (rows == 0)
        return;
    if (!Prompts::question(this, QStringLiteral("Print Log Records "),
                           QStringLiteral("Print Records")))
        return;
    const LogReport report =
        logReport(m_settings, dtStart->date(), dtEnd->date(), selectedFilter(lstFilter),
                  m_logModel->database(), m_logModel->listing(), LogListModel::PageRows);
    // The selection walks with the report to its last line, then nothing is selected.
    lstLog->setCurrentIndex(m_logModel->index(rows - 1));
    lstLog->selectionModel()->clear();
    printOrSave(report);
}

// The listed lines as a CSV file the operator names, a page per turn of the
// event loop so keypads are served meanwhile.
void GateWindow::cmdExportLog_Click()
{
    if (m_logModel->rowCount() == 0)
        return;
    const QString file = chooseFile(QStringLiteral("Export Log"), QStringLiteral("CSV files"),
                                    QStringLiteral("csv"));
    if (file.isEmpty())
        return;
    auto run = std::make_unique<LogExport::File>(m_logModel->listing(), file);
    QString error;
    if (!run->start(m_settings.GateConnectionString, &error)) {
        Prompts::message(this, QStringLiteral("The log was not exported: %1").arg(error));
        return;
    }
    m_export = std::move(run);
    m_exportProgress = progressBox(QStringLiteral("dlgExportProgress"), m_export->total());
    QTimer::singleShot(0, this, &GateWindow::exportStep);
}

void GateWindow::exportStep()
{
    QString error;
    const auto step =
        m_exportProgress->wasCanceled() ? LogExport::Writer::Step::Failed : m_export->step(&error);
    showProgress(*m_exportProgress, m_export->written(), m_export->total(), "exported");
    if (step == LogExport::Writer::Step::Wrote) {
        QTimer::singleShot(0, this, &GateWindow::exportStep);
        return;
    }
    const qint64 written = m_export->written();
    const QString file = m_export->fileName();
    m_export.reset(); // an unfinished file is dropped here
    delete std::exchange(m_exportProgress, nullptr);
    if (step == LogExport::Writer::Step::Done)
        Prompts::message(this, QStringLiteral("%1 log records exported to %2")
                                   .arg(written)
                                   .arg(QDir::toNativeSeparators(file)));
    else if (error.isEmpty())
        showStatus(QStringLiteral("Export cancelled; no file was written"));
    else
        Prompts::message(this, QStringLiteral("The log was not exported: %1").arg(error));
}

// The file the operator names, offered as gate-log-DATE.SUFFIX and given the
// suffix when typed without; empty when cancelled.
QString GateWindow::chooseFile(const QString &title, const QString &kind, const QString &suffix)
{
    const QString chosen =
        Prompts::saveFileName(this, title, QStringLiteral("%1 (*.%2)").arg(kind, suffix),
                              suggestedFileName(Clock::now().date(), suffix));
    return chosen.isEmpty() ? QString() : withSuffix(chosen, suffix);
}

// A window-modal box with a count and Cancel, for work done a step at a time.
QProgressDialog *GateWindow::progressBox(const QString &name, qint64 total)
{
    auto *box = new QProgressDialog(this);
    box->setObjectName(name);
    box->setWindowTitle(QGuiApplication::applicationDisplayName());
    box->setWindowModality(Qt::WindowModal);
    box->setAutoReset(false);
    box->setAutoClose(false);
    box->setRange(0, int(std::min<qint64>(total, IntMax)));
    box->show();
    return box;
}

// To the default printer or, where there is none, to a PDF file the operator names.
bool GateWindow::printOrSave(const LogReport &report)
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
        const QString file = chooseFile(QStringLiteral("Save Report"), QStringLiteral("PDF files"),
                                        QStringLiteral("pdf"));
        if (file.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        done = QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(file));
    } else {
        printer.setPrinterName(defaultPrinter.printerName());
    }
    QString error;
    if (!printReport(printer, report, &error)) {
        Prompts::message(this, QStringLiteral("The log was not printed: %1").arg(error));
        return false;
    }
    Prompts::message(this, done);
    return true;
}

// Deletes the open view's rows up to the purge day, after the operator agrees,
// a batch per turn of the event loop so keypads are served meanwhile. The
// question lets events run too, and a keypad decision meanwhile changes the
// open view: the purge keeps to the view the operator was asked about.
void GateWindow::cmdClearLog_Click()
{
    const QDate lastDay = fraSettings->purgeDate->date();
    const LogSelection view = m_logView;
    m_logModel->clear();
    bool any = false;
    QString error;
    if (!selectionHasRows(m_data.AdoGateLog.database(), view, any, &error)) {
        Prompts::message(this, QStringLiteral("The gate log cannot be read: %1").arg(error));
        return;
    }
    if (any) {
        m_purgeScope = purgeScope(view, lastDay, selectedFilter(lstFilter), customerNameOf(view));
        if (!Prompts::question(this,
                               QStringLiteral("Delete Log Records %1 and Older?\n%2")
                                   .arg(shortDate(lastDay), m_purgeScope),
                               QStringLiteral("Delete Log Records?")))
            return;
        auto purge = std::make_unique<LogPurge>(view, lastDay);
        if (!purge->start(m_settings.GateConnectionString, &error)) {
            Prompts::message(this, QStringLiteral("No log records were deleted: %1").arg(error));
            return;
        }
        m_purge = std::move(purge);
        m_purgeProgress = progressBox(QStringLiteral("dlgPurgeProgress"), m_purge->total());
        showPurgeProgress();
        QTimer::singleShot(0, this, &GateWindow::purgeStep);
        return;
    }
    cmdCheckCode->setEnabled(true);
    txtCheckCode->setFocus();
}

// One batch per call; the next comes from the event loop, after whatever
// keypad bytes arrived meanwhile.
void GateWindow::purgeStep()
{
    if (m_purgeProgress->wasCanceled())
        return endPurge();
    switch (m_purge->step()) {
    case LogPurge::Step::Deleted:
        showPurgeProgress();
        QTimer::singleShot(0, this, &GateWindow::purgeStep);
        return;
    case LogPurge::Step::Locked:
        QTimer::singleShot(PurgeRetryMs, this, &GateWindow::purgeStep);
        return;
    case LogPurge::Step::Done:
    case LogPurge::Step::Stopped:
        return endPurge();
    }
}

void GateWindow::showPurgeProgress()
{
    showProgress(*m_purgeProgress, m_purge->deleted(), m_purge->total(), "deleted");
}

void GateWindow::endPurge()
{
    const std::unique_ptr<LogPurge> purge = std::move(m_purge);
    delete std::exchange(m_purgeProgress, nullptr);
    m_logModel->clear(); // lines listed meanwhile may name deleted rows
    const QString deleted =
        QStringLiteral("%1 log records deleted (%2)").arg(purge->deleted()).arg(m_purgeScope);
    showStatus(purge->stopReason().isEmpty()
                   ? deleted
                   : QStringLiteral("%1; the purge stopped: %2").arg(deleted, purge->stopReason()));
    cmdCheckCode->setEnabled(true);
    txtCheckCode->setFocus();
}
