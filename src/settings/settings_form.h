#pragma once

#include "station_settings.h"

#include <QList>
#include <QMap>
#include <QString>
#include <optional>

// The settings screen's boxes as texts, by box name ("txtScanner(0)"). The
// logic of the screen works on this; the widgets only show it.
using SettingsForm = QMap<QString, QString>;

struct SettingsBox {
    QString name;
    QString group; // caption of the group box, empty for the frame itself
    QString label;
    QString toolTip;
    SettingsField field;
};

// Every box, in the order Close takes them into the record.
const QList<SettingsBox> &settingsBoxes();

// A box as the operator finds it: "Relay Settings Comm Port", "Company".
QString fullLabel(const SettingsBox &box);

SettingsForm formFrom(const StationSettings &settings);

// Close: the record the boxes describe, or none when a box holds no value of
// its field's type or one the station cannot use (see settings_rules.h); `why`
// then names the first such box, its fault and what it takes, and `badBox` is
// that box's name.
std::optional<StationSettings> settingsFromForm(const SettingsForm &form,
                                                const StationSettings &current, QString *why,
                                                QString *badBox = nullptr);

// The boxes, by group and label, whose change the station takes only at its
// next start (ports and their line settings, database paths) and that differ.
QStringList changedAtNextStart(const StationSettings &before, const StationSettings &after);

// The boxes a "Default Settings" button sets (0: files and log days, 1 and 2:
// keypads, 3: relay); any other index sets none.
SettingsForm defaultBoxes(int index, const QString &startFolder);
