#include "log_list_model.h"

int LogListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant LogListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_lines.size())
        return {};
    return m_lines.at(index.row());
}

void LogListModel::setLines(QStringList lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}
