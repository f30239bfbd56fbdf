#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The lines of the log list. A plain list of texts, so a view with uniform item
// sizes stays quick with a hundred thousand of them.
class LogListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void setLines(QStringList lines);
    void clear() { setLines({}); }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
};
