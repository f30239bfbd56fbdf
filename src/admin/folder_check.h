#pragma once

#include <QList>
#include <QString>

// gatectl check: what an installer must know about a station folder, as the
// station would meet it, run as the user it runs as.
namespace FolderCheck {

struct Finding {
    bool ok = true;
    QString what;
    QString fix; // what mends a problem
};

// The settings items, station.ini, the lock, each table of both databases and
// each serial port: whether its device exists, this user may open it and, for
// the relay board, whether it answers the status query.
QList<Finding> run(const QString &folder);

// "ok: ..." or "PROBLEM: ... -> fix: ...".
QString line(const Finding &finding);

} // namespace FolderCheck
