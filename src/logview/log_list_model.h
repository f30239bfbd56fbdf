#pragma once

#include "log_query.h"

#include <QAbstractListModel>
#include <QCache>
#include <QStringList>

// The lines of the log list, read from the gate log a page at a time as the
// view shows them; only the pages last shown are kept, so a list of a million
// lines costs no more memory than one of a thousand.
class LogListModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int PageRows = 200;
    static constexpr int KeptPages = 50;

    explicit LogListModel(QObject *parent = nullptr, int pageRows = PageRows,
                          int keptPages = KeptPages);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Lists the rows of a selection that pass a result filter, read through
    // `gateDb` as they are shown. False, with the list empty, when the log cannot be read.
    bool list(const QSqlDatabase &gateDb, const LogSelection &selection, const QString &filter,
              QString *error);
    void clear();

    // What the list shows, and the connection its lines are read through.
    const LogListing &listing() const { return m_listing; }
    QSqlDatabase database() const;

signals:
    // Lines that could not be read show empty; this says why.
    void readFailed(const QString &why) const;

private:
    const LogPage &page(int number) const;

    int m_pageRows;
    QString m_connection; // by name, so the model never keeps a closed connection alive
    LogListing m_listing;
    mutable QCache<int, LogPage> m_pages;
};
