#pragma once

#include <QChar>
#include <QSerialPort>
#include <QString>
#include <optional>

// A port's line parameters as the settings hold them, handed to the port as one
// text: baud, parity letter, data bits, stop bits ("9600,N,8,1").
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

QString lineSettingsText(qint16 baud, QChar parity, quint8 dataBits, quint8 stopBits);

// The parameters a line settings text asks for; none when a port cannot take
// them (unknown parity letter, 9 data bits, 7.5 stop bits, a baud of 0, ...).
std::optional<LineSettings> parseLineSettings(const QString &text);
