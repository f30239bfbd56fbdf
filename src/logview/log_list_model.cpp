#include "log_list_model.h"

#include <limits>
#include <memory>

LogListModel::LogListModel(QObject *parent, int pageRows, int keptPages)
    : QAbstractListModel(parent)
    , m_pageRows(pageRows)
    , m_pages(keptPages)
{}

int LogListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(std::min<qint64>(m_listing.rowCount(), std::numeric_limits<int>::max()));
}

QVariant LogListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const QList<LogRow> &rows = page(index.row() / m_pageRows).rows;
    const int at = index.row() % m_pageRows;
    return at < rows.size() ? logLine(rows[at]) : QVariant();
}

bool LogListModel::list(const QSqlDatabase &gateDb, const LogSelection &selection,
                        const QString &filter, QString *error)
{
    beginResetModel();
    m_pages.clear();
    m_connection = gateDb.connectionName();
    const bool listed = m_listing.open(gateDb, selection, filter, error);
    if (!listed)
        m_listing = {};
    endResetModel();
    return listed;
}

QSqlDatabase LogListModel::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void LogListModel::clear()
{
    beginResetModel();
    m_pages.clear();
    m_listing = {};
    endResetModel();
}

// A page is read next to a neighbour still kept (scrolling), else from the
// nearer end of the list (a jump), so no read walks past more than half of it.
const LogPage &LogListModel::page(int number) const
{
    if (const LogPage *kept = m_pages.object(number))
        return *kept;
    using Direction = LogListing::Direction;
    const qint64 first = qint64(number) * m_pageRows;
    const int take = int(std::min<qint64>(m_pageRows, m_listing.rowCount() - first));
    const qint64 beyond = m_listing.rowCount() - first - take;
    const LogPage *before = m_pages.object(number - 1);
    const LogPage *after = m_pages.object(number + 1);
    const QSqlDatabase gateDb = database();
    auto read = std::make_unique<LogPage>();
    QString error;
    bool ok = false;
    if (before && !before->rows.isEmpty())
        ok = m_listing.read(gateDb, Direction::Forward, before->last, 0, take, *read, &error);
    else if (after && !after->rows.isEmpty())
        ok = m_listing.read(gateDb, Direction::Backward, after->first, 0, take, *read, &error);
    else if (first <= beyond)
        ok = m_listing.read(gateDb, Direction::Forward, std::nullopt, first, take, *read, &error);
    else
        ok = m_listing.read(gateDb, Direction::Backward, std::nullopt, beyond, take, *read, &error);
    // A page that failed is kept empty, so a broken log is not asked again on every repaint.
    if (!ok) {
        *read = {};
        emit readFailed(error);
    }
    const LogPage *stored = read.get();
    m_pages.insert(number, read.release());
    return *stored;
}
