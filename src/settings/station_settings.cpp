#include "station_settings.h"
#include "station_folder.h"

#include <QDir>

StationSettings StationSettings::defaults(const QString &startFolder)
{
    StationSettings s;
    s.StartFolder = startFolder;
    s.DataDbPath = inStartFolder(startFolder, StationFolder::DataName);
    s.GateDbPath = inStartFolder(startFolder, StationFolder::GateName);
    s.LogViewDays = 2;
    s.LogDaysToKeep = 30;

    s.Keypad1CommPort = 1;
    s.Keypad1Location = QStringLiteral("In");
    s.Keypad1Baud = 9600;
    s.Keypad1Parity = QChar('N');
    s.Keypad1DataBits = 8;
    s.Keypad1StopBits = 1;

    s.Keypad2CommPort = 1;
    s.Keypad2Location = QStringLiteral("Out");
    s.Keypad2Baud = 9600;
    s.Keypad2Parity = QChar('N');
    s.Keypad2DataBits = 8;
    s.Keypad2StopBits = 1;

    s.RelayCommPort = 2;
    s.RelayCloseSeconds = 2;
    s.RelayNumber = 1;
    s.RelayBaud = 9600;
    s.RelayParity = QChar('N');
    s.RelayDataBits = 8;
    s.RelayStopBits = 1;
    return s;
}

QChar oneCharacter(const QString &text)
{
    return text.isEmpty() ? QChar(' ') : text.front();
}

QString inStartFolder(const QString &startFolder, const QString &fileName)
{
    return startFolder + QDir::separator() + fileName;
}
