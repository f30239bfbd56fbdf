#include "log_panel.h"

#include "common/clock.h"
#include "data/station_data.h"
#include "log_dates.h"
#include "log_export.h"
#include "log_line.h"
#include "log_list_model.h"
#include "log_purge.h"
#include "log_view_text.h"
#include "report_printer.h"
#include "result_filter.h"
#include "widgets/fixed_pitch_font.h"
#include "widgets/named_widgets.h"
#include "widgets/prompts.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QVBoxLayout>
#include <limits>

namespace {

const QColor White(255, 255, 255);
const QColor LightGreen(192, 255, 192);
const QString InvalidId = QStringLiteral("Invalid ID Entered");
const QString NothingListed = QStringLiteral("Nothing listed");
// A purge batch that found the log locked is tried again after this long.
constexpr int PurgeRetryMs = 50;
constexpr qint64 IntMax = std::numeric_limits<int>::max();

QDateTimeEdit *datePicker(int index, QWidget *parent)
{
    auto *picker = new QDateTimeEdit(parent);
    picker->setObjectName(QStringLiteral("DTPicker1(%1)").arg(index));
    picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    picker->setCalendarPopup(true);
    return picker;
}

// "12 of 40 log records exported". Setting the value of a window-modal box runs
// pending events; callers queue their next step only after it.
void showProgress(QProgressDialog &box, qint64 done, qint64 total, const char *verb)
{
    box.setLabelText(
        QStringLiteral("%1 of %2 log records %3").arg(done).arg(total).arg(QLatin1String(verb)));
    box.setValue(int(std::min(done, IntMax)));
}

} // namespace

LogPanel::LogPanel(StationData &data, const StationSettings &settings,
                   std::function<void()> beforeRead, QWidget *parent)
    : QWidget(parent)
    , m_data(data)
    , m_settings(settings)
    , m_beforeRead(std::move(beforeRead))
{
    m_relist.setSingleShot(true);
    m_relist.setInterval(0);
    connect(&m_relist, &QTimer::timeout, this, [this] {
        showRecentDays();
        emit followed();
    });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buildLiveRow());
    auto *headings = new QLabel(logHeadings(), this);
    headings->setObjectName(QStringLiteral("lblLogHeadings"));
    headings->setFont(fixedPitchFont());
    layout->addWidget(headings);

    lstLog = new QListView(this);
    lstLog->setObjectName(QStringLiteral("lstLog"));
    lstLog->setFont(fixedPitchFont());
    lstLog->setUniformItemSizes(true);
    lstLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_model = new LogListModel(lstLog);
    lstLog->setModel(m_model);
    lstLog->viewport()->installEventFilter(this);
    layout->addWidget(lstLog, 1);
    connect(m_model, &LogListModel::readFailed, this, &LogPanel::showLogFailure);
    // A list emptied by anything but a query describes nothing.
    connect(m_model, &LogListModel::modelReset, this, [this] {
        if (m_model->rowCount() == 0)
            lblLogCaption->setText(NothingListed);
    });
    m_controls = buildControls();
}

LogPanel::~LogPanel() = default;

// What the list shows, the attempts a review has missed, and "Follow live".
QLayout *LogPanel::buildLiveRow()
{
    lblLogCaption = new QLabel(NothingListed, this);
    lblLogCaption->setObjectName(QStringLiteral("lblLogCaption"));
    cmdNewAttempts = namedButton(QStringLiteral("cmdNewAttempts"), QString(), this);
    cmdNewAttempts->setToolTip(QStringLiteral("Back to the live list"));
    cmdNewAttempts->hide();
    chkFollowLive = new QCheckBox(QStringLiteral("Follow live"), this);
    chkFollowLive->setObjectName(QStringLiteral("chkFollowLive"));
    chkFollowLive->setChecked(true);
    auto *row = new QHBoxLayout;
    row->addWidget(lblLogCaption, 1);
    row->addWidget(cmdNewAttempts);
    row->addWidget(chkFollowLive);
    connect(cmdNewAttempts, &QPushButton::clicked, this, &LogPanel::cmdNewAttempts_Click);
    connect(chkFollowLive, &QCheckBox::clicked, this, &LogPanel::chkFollowLive_Click);
    return row;
}

QWidget *LogPanel::buildControls()
{
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Filter By"), box));
    lstFilter = new QListWidget(box);
    lstFilter->setObjectName(QStringLiteral("lstFilter"));
    lstFilter->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFilter->setStyleSheet(QStringLiteral("QListWidget { background: rgb(192, 255, 192); }"));
    lstFilter->setMaximumHeight(150);
    lstFilter->addItems(ResultFilters);
    lstFilter->setCurrentRow(0);
    lstFilter->viewport()->installEventFilter(this);
    layout->addWidget(lstFilter);
    connect(lstFilter, &QListWidget::currentRowChanged, this, &LogPanel::holdForReview);

    const QDateTime now = Clock::now();
    layout->addWidget(new QLabel(QStringLiteral("Start Date"), box));
    dtStart = datePicker(2, box);
    layout->addWidget(dtStart);
    layout->addWidget(new QLabel(QStringLiteral("End Date"), box));
    dtEnd = datePicker(3, box);
    layout->addWidget(dtEnd);
    for (QDateTimeEdit *picker : {dtStart, dtEnd}) {
        picker->setDateTime(now);
        // A new date leaves the listed lines describing another range: empty the list.
        connect(picker, &QDateTimeEdit::dateChanged, this, [this] {
            m_model->clear();
            holdForReview();
        });
    }

    cmdGateLog = namedButton(QStringLiteral("cmdGateLog"), QStringLiteral("Gate Log"), box);
    cmdPrintLog = namedButton(QStringLiteral("cmdPrintLog"), QStringLiteral("Print"), box);
    cmdExportLog = namedButton(QStringLiteral("cmdExportLog"), QStringLiteral("Export\u2026"), box);
    cmdFilterCustomerID =
        namedButton(QStringLiteral("cmdFilterCustomerID"), QStringLiteral("By Customer ID"), box);
    cmdFilterCustomerID->setToolTip(QStringLiteral("Filter for a Customers ID"));
    auto *printRow = new QHBoxLayout;
    printRow->addWidget(cmdPrintLog);
    printRow->addWidget(cmdExportLog);
    layout->addWidget(cmdGateLog);
    layout->addLayout(printRow);
    layout->addWidget(cmdFilterCustomerID);
    connect(cmdGateLog, &QPushButton::clicked, this, &LogPanel::cmdGateLog_Click);
    connect(cmdPrintLog, &QPushButton::clicked, this, &LogPanel::cmdPrintLog_Click);
    connect(cmdExportLog, &QPushButton::clicked, this, &LogPanel::cmdExportLog_Click);
    connect(cmdFilterCustomerID, &QPushButton::clicked, this, &LogPanel::cmdFilterCustomerID_Click);
    return box;
}

bool LogPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lstFilter->viewport())
            lstFilter_MouseUp();
        else if (watched == lstLog->viewport())
            lstLog_MouseUp();
    }
    return QWidget::eventFilter(watched, event);
}

QString LogPanel::selectedFilter() const
{
    const QListWidgetItem *item = lstFilter->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

// Lists the date range under the chosen result filter, newest line selected.
void LogPanel::cmdGateLog_Click()
{
    const LogSelection range = LogSelection::dateRange(dtStart->date(), dtEnd->date());
    const QString filter = selectedFilter();
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
            selectFilter(0);
    }
    showNewestLine();
}

void LogPanel::lstFilter_MouseUp()
{
    if (!selectedFilter().isEmpty())
        cmdGateLog_Click();
}

void LogPanel::cmdFilterCustomerID_Click()
{
    const auto answer = Prompts::input(this, QStringLiteral("Enter Customer's ID"),
                                       QStringLiteral("Search Customer ID"), QString());
    const auto id = answer ? customerId(*answer) : std::nullopt;
    if (!id) {
        Prompts::message(this, InvalidId);
        return;
    }
    holdForReview();
    lookUpCustomer(*id);
}

// Drill-down: the customer of the clicked line.
void LogPanel::lstLog_MouseUp()
{
    const QModelIndexList selected = lstLog->selectionModel()->selectedIndexes();
    const QString line = selected.isEmpty() ? QString() : selected.first().data().toString();
    if (line.isEmpty())
        return;
    holdForReview();
    selectFilter(int(ResultFilters.indexOf(Filters::ListSelection)));
    setLogBackground(LightGreen);
    const auto id = customerIdOfLine(line);
    if (!id) {
        Prompts::message(this, InvalidId);
        return;
    }
    lookUpCustomer(*id);
}

void LogPanel::lookUpCustomer(qint64 custId)
{
    if (!openLogView(LogSelection::customer(custId), Filters::All)) {
        Prompts::message(this, InvalidId);
        return;
    }
    if (m_model->rowCount() == 0)
        Prompts::message(this, QStringLiteral("No Records For ID %1").arg(custId));
    showNewestLine();
}

// Reconnects and lists the selected rows that pass the filter; false when the
// gate log cannot be read (the status line says why).
bool LogPanel::openLogView(const LogSelection &selection, const QString &filter)
{
    m_beforeRead();
    QString error;
    if (!m_data.reconnect(m_settings, &error)) {
        showLogFailure(error);
        return false;
    }
    emit done();
    const QSqlDatabase gateDb = m_data.AdoGateLog.database();
    addMissingLogIndexes(gateDb);
    if (!m_model->list(gateDb, selection, filter, &error)) {
        showLogFailure(error);
        return false;
    }
    emit listed();
    m_logView = selection;
    m_listedFilter = filter;
    lblLogCaption->setText(
        viewCaption(selection, filter, customerNameOf(selection), m_model->listing().rowCount()));
    return true;
}

// The name the customer's newest log row carries; none for a view of no customer.
QString LogPanel::customerNameOf(const LogSelection &view) const
{
    QString name;
    if (view.ofCustomer())
        customerName(m_data.AdoGateLog.database(), view.custId, name, nullptr);
    return name;
}

void LogPanel::showLogFailure(const QString &why)
{
    emit statusChanged(QStringLiteral("Gate log not listed: %1").arg(why));
}

void LogPanel::showNewestLine()
{
    if (m_model->rowCount() > 0) {
        const QModelIndex newest = m_model->index(m_model->rowCount() - 1);
        lstLog->setCurrentIndex(newest);
        lstLog->scrollTo(newest);
    }
    emit done();
}

// Dates the station sets are no review of the operator's.
void LogPanel::setRecentStart()
{
    const QSignalBlocker startBlocker(dtStart);
    const QSignalBlocker endBlocker(dtEnd);
    const QDateTime now = Clock::now();
    dtStart->setDateTime(now);
    if (const auto start = daysBefore(now, m_settings.LogViewDays))
        dtStart->setDateTime(*start);
    dtEnd->setDateTime(now);
    m_model->clear();
}

void LogPanel::showRecentDays()
{
    selectFilter(0);
    setRecentStart();
    cmdGateLog->click();
}

void LogPanel::followGate(bool newAttempt)
{
    if (newAttempt ? m_live.attempted() : m_live.following())
        m_relist.start();
    showLiveState();
}

void LogPanel::chkFollowLive_Click(bool on)
{
    if (on)
        resumeLive();
    else
        holdForReview();
}

void LogPanel::cmdNewAttempts_Click()
{
    resumeLive();
}

void LogPanel::resumeLive()
{
    m_live.resume();
    showLiveState();
    showRecentDays();
}

// The list holds still: the next attempts are counted, not listed.
void LogPanel::holdForReview()
{
    m_live.review();
    showLiveState();
}

void LogPanel::showLiveState()
{
    chkFollowLive->setChecked(m_live.following());
    const QString missed = m_live.missedText();
    cmdNewAttempts->setText(missed);
    cmdNewAttempts->setVisible(!missed.isEmpty());
}

// A filter the panel selects is no review of the operator's.
void LogPanel::selectFilter(int row)
{
    const QSignalBlocker blocker(lstFilter);
    lstFilter->setCurrentRow(row);
}

void LogPanel::dropLines()
{
    m_model->clear();
}

void LogPanel::listAgain()
{
    if (m_listedFilter && openLogView(m_logView, *m_listedFilter))
        showNewestLine();
}

void LogPanel::setLogBackground(const QColor &colour)
{
    QPalette palette = lstLog->palette();
    palette.setColor(QPalette::Base, colour);
    lstLog->setPalette(palette);
}

void LogPanel::cmdPrintLog_Click()
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    if (!Prompts::question(this, QStringLiteral("Print Log Records "),
                           QStringLiteral("Print Records")))
        return;
    const LogReport report =
        logReport(m_settings, dtStart->date(), dtEnd->date(), selectedFilter(), m_model->database(),
                  m_model->listing(), LogListModel::PageRows);
    // The selection walks with the report to its last line, then nothing is selected.
    lstLog->setCurrentIndex(m_model->index(rows - 1));
    lstLog->selectionModel()->clear();
    printOrSave(report);
}

// To the default printer or, where there is none, to a PDF file the operator names.
bool LogPanel::printOrSave(const LogReport &report)
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

// The listed lines as a CSV file the operator names.
void LogPanel::cmdExportLog_Click()
{
    if (m_model->rowCount() == 0)
        return;
    const QString file = chooseFile(QStringLiteral("Export Log"), QStringLiteral("CSV files"),
                                    QStringLiteral("csv"));
    if (file.isEmpty())
        return;
    m_beforeRead();
    // The lines listed from a file replaced meanwhile went with it.
    if (m_model->rowCount() == 0) {
        Prompts::message(this, QStringLiteral("The log was not exported: the gate database was "
                                              "replaced; list the log again"));
        return;
    }
    auto run = std::make_unique<LogExport::File>(m_model->listing(), file);
    QString error;
    if (!run->start(m_settings.GateConnectionString, &error)) {
        Prompts::message(this, QStringLiteral("The log was not exported: %1").arg(error));
        return;
    }
    m_export = std::move(run);
    m_exportProgress = progressBox(QStringLiteral("dlgExportProgress"), m_export->total());
    QTimer::singleShot(0, this, &LogPanel::exportStep);
}

void LogPanel::exportStep()
{
    QString error;
    const auto step =
        m_exportProgress->wasCanceled() ? LogExport::Writer::Step::Failed : m_export->step(&error);
    showProgress(*m_exportProgress, m_export->written(), m_export->total(), "exported");
    if (step == LogExport::Writer::Step::Wrote) {
        QTimer::singleShot(0, this, &LogPanel::exportStep);
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
        emit statusChanged(QStringLiteral("Export cancelled; no file was written"));
    else
        Prompts::message(this, QStringLiteral("The log was not exported: %1").arg(error));
}

// The file the operator names, offered as gate-log-DATE.SUFFIX and given the
// suffix when typed without; empty when cancelled.
QString LogPanel::chooseFile(const QString &title, const QString &kind, const QString &suffix)
{
    const QString chosen =
        Prompts::saveFileName(this, title, QStringLiteral("%1 (*.%2)").arg(kind, suffix),
                              suggestedFileName(Clock::now().date(), suffix));
    return chosen.isEmpty() ? QString() : withSuffix(chosen, suffix);
}

// A window-modal box with a count and Cancel, for work done a step at a time.
QProgressDialog *LogPanel::progressBox(const QString &name, qint64 total)
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

// The question lets events run too, and a keypad decision meanwhile changes
// the open view: the purge keeps to the view the operator was asked about, and
// to the rows counted for the question, which it pins.
void LogPanel::clearLog(const QDate &lastDay)
{
    m_beforeRead();
    const LogSelection view = m_logView;
    m_model->clear();
    bool any = false;
    QString error;
    if (!selectionHasRows(m_data.AdoGateLog.database(), view, any, &error)) {
        Prompts::message(this, QStringLiteral("The gate log cannot be read: %1").arg(error));
        return;
    }
    if (!any) {
        emit done();
        return;
    }
    auto purge = std::make_unique<LogPurge>(view, lastDay);
    if (!purge->start(m_settings.GateConnectionString, &error)) {
        Prompts::message(this, QStringLiteral("No log records were deleted: %1").arg(error));
        return;
    }
    m_purgeScope = purgeScope(view, lastDay, selectedFilter(), customerNameOf(view));
    const bool yes =
        Prompts::question(this,
                          QStringLiteral("Delete Log Records %1 and Older?\n%2: %3")
                              .arg(shortDate(lastDay), m_purgeScope, rowsText(purge->total())),
                          QStringLiteral("Delete Log Records?"));
    m_relist.stop(); // an attempt decided while the question was open does not list over it
    if (!yes)
        return;
    m_purge = std::move(purge);
    m_purgeProgress = progressBox(QStringLiteral("dlgPurgeProgress"), m_purge->total());
    showPurgeProgress();
    QTimer::singleShot(0, this, &LogPanel::purgeStep);
}

// One batch per call; the next comes from the event loop, after whatever
// keypad bytes arrived meanwhile.
void LogPanel::purgeStep()
{
    if (m_purgeProgress->wasCanceled())
        return endPurge();
    switch (m_purge->step()) {
    case LogPurge::Step::Deleted:
        showPurgeProgress();
        QTimer::singleShot(0, this, &LogPanel::purgeStep);
        return;
    case LogPurge::Step::Locked:
        QTimer::singleShot(PurgeRetryMs, this, &LogPanel::purgeStep);
        return;
    case LogPurge::Step::Done:
    case LogPurge::Step::Stopped:
        return endPurge();
    }
}

void LogPanel::showPurgeProgress()
{
    showProgress(*m_purgeProgress, m_purge->deleted(), m_purge->total(), "deleted");
}

void LogPanel::endPurge()
{
    const std::unique_ptr<LogPurge> purge = std::move(m_purge);
    delete std::exchange(m_purgeProgress, nullptr);
    m_model->clear(); // lines listed meanwhile may name deleted rows
    const QString deleted =
        QStringLiteral("%1 log records deleted (%2)").arg(purge->deleted()).arg(m_purgeScope);
    emit statusChanged(
        purge->stopReason().isEmpty()
            ? deleted
            : QStringLiteral("%1; the purge stopped: %2").arg(deleted, purge->stopReason()));
    emit done();
}
