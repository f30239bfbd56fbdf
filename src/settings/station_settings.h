#pragma once

#include <QChar>
#include <QString>
#include <QtGlobal>
#include <variant>

// The station's configuration record. The stored fields are the 29 items of
// the settings file; the run-time fields are shared by the subsystems and never
// stored. Field types follow the file: byte = quint8, int16 = qint16.
struct StationSettings {
    // Stored fields.
    QString CompanyName;
    QString CompanyAddress;
    QString CompanyCityStateZip;
    QString CompanyPhone;
    bool MinimizeAtStartup = false;
    qint16 LogViewDays = 0;
    qint16 LogDaysToKeep = 0;
    quint8 RelayCommPort = 0;
    quint8 RelayCloseSeconds = 0;
    qint16 RelayBaud = 0;
    QChar RelayParity = QChar(' ');
    quint8 RelayDataBits = 0;
    quint8 RelayStopBits = 0;
    quint8 RelayNumber = 0;
    quint8 Keypad1CommPort = 0;
    QString Keypad1Location;
    qint16 Keypad1Baud = 0;
    QChar Keypad1Parity = QChar(' ');
    quint8 Keypad1DataBits = 0;
    quint8 Keypad1StopBits = 0;
    quint8 Keypad2CommPort = 0;
    QString Keypad2Location;
    qint16 Keypad2Baud = 0;
    QChar Keypad2Parity = QChar(' ');
    quint8 Keypad2DataBits = 0;
    quint8 Keypad2StopBits = 0;
    quint8 CodeLength = 0;
    QString GateDbPath;
    QString DataDbPath;

    // Run-time fields.
    QString StartFolder;
    bool ExitRequested = false;
    QString DataConnectionString;
    QString GateConnectionString;

    // The values of the four "Default Settings" groups, with paths under startFolder.
    // Code length, company lines and the minimise flag have no default.
    static StationSettings defaults(const QString &startFolder);

    bool operator==(const StationSettings &) const = default;
};

// A one-character field keeps the first character of what it is given, a blank for nothing.
QChar oneCharacter(const QString &text);

// StartFolder joined to a file name with the platform's folder separator, unchanged otherwise
// (a root folder "/" gives "//name").
QString inStartFolder(const QString &startFolder, const QString &fileName);

// A stored field of the record, by its type.
using SettingsField =
    std::variant<QString StationSettings::*, QChar StationSettings::*, quint8 StationSettings::*,
                 qint16 StationSettings::*, bool StationSettings::*>;
