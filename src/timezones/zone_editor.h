#pragma once

#include "zone_table.h"

#include <QGroupBox>
#include <optional>

class DataControl;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;
struct StationSettings;

// The "Time Zones" group of the settings screen: the zone list, the current
// zone's number and times, and Add, Save and Delete.
class ZoneEditor : public QGroupBox {
    Q_OBJECT

public:
    // `customers` is the customer database, whose units and master codes carry zones.
    ZoneEditor(DataControl &zones, const DataControl &customers, const StationSettings &settings,
               QWidget *parent = nullptr);

    // Runs the zone query again and rebuilds the list; the first zone becomes current.
    bool LoadTimeZoneList(QString *error);
    // The zones of the list that have no usable times, named; empty when none.
    QString brokenZones() const;

public slots:
    void cmdTimeZone_Click(int index);
    void lstTimeZones_MouseDown();

signals:
    // The reason behind a message box whose fixed text does not give it, or
    // zones that cannot be used.
    void problem(const QString &why);

private:
    void addZone();
    void saveZone();
    void deleteZone();
    void showZone(std::optional<qint64> rowId);
    void reloadOrReport();
    bool agreedToChange(const ZoneEntry &zone, const QString &question, const QString &title);
    const ZoneEntry *listedZone(qint64 rowId) const;

    DataControl &m_zones;
    const DataControl &m_customers;
    const StationSettings &m_settings;
    QList<ZoneEntry> m_listed;       // the zones as the list shows them
    std::optional<qint64> m_current; // row id of the zone the boxes show

    QListWidget *lstTimeZones = nullptr;
    QLineEdit *txtZone0 = nullptr;
    QTimeEdit *startPicker = nullptr; // DTPicker1(0)
    QTimeEdit *stopPicker = nullptr;  // DTPicker1(1)
};
