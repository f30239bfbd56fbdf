#include "gate_window.h"

#include "log_dates.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "logview/result_filter.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>

namespace {

const QColor White(255, 255, 255);
const QColor LightGreen(192, 255, 192);

QString selectedFilter(const QListWidget *filters)
{
    const QListWidgetItem *item = filters->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

} // namespace

void GateWindow::cmdGateLog_Click()
{
    showLogView(LogSelection::dateRange(dtStart->date(), dtEnd->date()));
}

void GateWindow::RefreshGateLog()
{
    cmdGateLog_Click();
}

void GateWindow::lstFilter_MouseUp()
{
    if (!selectedFilter(lstFilter).isEmpty())
        cmdGateLog_Click();
}

// Lists the selected rows under the chosen result filter, newest line selected.
void GateWindow::showLogView(const LogSelection &selection)
{
    QString error;
    if (!m_data.reconnect(m_settings, &error)) {
        showStatus(QStringLiteral("Gate log not listed: %1").arg(error));
        return;
    }
    showStatus(m_connectedText);
    txtCheckCode->setFocus();
    m_logModel->clear();
    QList<LogRow> rows;
    if (!queryLog(m_data.AdoGateLog.database(), selection, rows, &error)) {
        showStatus(QStringLiteral("Gate log not listed: %1").arg(error));
        return;
    }
    m_logView = selection;
    if (!rows.isEmpty()) {
        const QString filter = selectedFilter(lstFilter);
        setLogBackground(listsEveryRow(filter) ? White : LightGreen);
        QStringList lines;
        for (const LogRow &row : rows) {
            if (passesFilter(filter, row.result))
                lines << logLine(row);
        }
        if (listsEveryRow(filter))
            lstFilter->setCurrentRow(0);
        m_logModel->setLines(std::move(lines));
        if (m_logModel->rowCount() > 0) {
            const QModelIndex newest = m_logModel->index(m_logModel->rowCount() - 1);
            lstLog->setCurrentIndex(newest);
            lstLog->scrollTo(newest);
        }
    }
    cmdCheckCode->setEnabled(true);
    txtCheckCode->setFocus();
}

// After a keypad decision: "ALL" over the last LogViewDays days.
void GateWindow::resetLogViewToRecentDays()
{
    lstFilter->setCurrentRow(0);
    dtStart->setDateTime(QDateTime::currentDateTime());
    const auto start = daysBefore(dtStart->dateTime(), m_settings.LogViewDays);
    if (!start)
        return;
    dtStart->setDateTime(*start);
    dtEnd->setDateTime(QDateTime::currentDateTime());
    cmdGateLog->click();
}

void GateWindow::setLogBackground(const QColor &colour)
{
    QPalette palette = lstLog->palette();
    palette.setColor(QPalette::Base, colour);
    lstLog->setPalette(palette);
}
