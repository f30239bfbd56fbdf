#pragma once

#include <QDateTime>
#include <QString>

// What gate-sync last said about a station's link to the fleet database, as
// the small file `fleet.state` in the station folder holds it. gate-sync
// writes it (a new file renamed over the old one, so a reader never sees half
// of it); the station reads it for its status line.
//
//   phase=in step | offline | fault | stopped
//   since=2026-12-07T11:58:00     when the phase began (stopped: when gate-sync stopped)
//   contact=2026-12-07T12:01:05   the last time the fleet database answered
//   written=2026-12-07T12:01:05   when gate-sync wrote this file
//   waiting=37                    log rows not yet in the central log
//   stale=90                      seconds after `written` that gate-sync counts as gone
//   fault=the reason, one line    (offline: why the connection failed)
struct FleetState {
    enum class Phase { InStep, Offline, Fault, Stopped };
    Phase phase = Phase::Offline;
    QDateTime since;
    QDateTime contact;
    QDateTime written;
    qint64 waiting = 0;
    int staleSeconds = 0;
    QString fault;

    QByteArray text() const;
    // False for a file that is not one (missing, damaged), with the reason.
    static bool parse(const QByteArray &text, FleetState &state, QString *error);

    bool write(const QString &folder, QString *error) const;
    static bool read(const QString &folder, FleetState &state, QString *error);

    // gate-sync has not written the file for longer than it promised. One
    // that said it stopped is never silent: it promised nothing more.
    bool silent(const QDateTime &now) const;

    // "fleet: in step 12:01:05", "fleet: offline since 11:58, 37 rows waiting",
    // "fleet: gate-sync stopped at 12:04, 3 rows waiting", "fleet: " and the
    // fault; gate-sync silent for too long is said so.
    QString statusLine(const QDateTime &now) const;
    // "in step", "offline", "fault" or "stopped"; "silent" once gate-sync has
    // not written for too long.
    QString phaseWord(const QDateTime &now) const;
};
