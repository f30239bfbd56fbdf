#include "settings_screen.h"

#include "common/clock.h"
#include "gate/gate_station.h"
#include "logview/log_dates.h"
#include "settings/settings_file.h"
#include "widgets/named_widgets.h"
#include "widgets/prompts.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

const QString InvalidField = QStringLiteral("Check Settings Invaild Field");

QString defaultButtonName(int index)
{
    return QStringLiteral("cmdDefault(%1)").arg(index);
}

QPushButton *connected(QPushButton *button, const std::function<void()> &handler)
{
    QObject::connect(button, &QPushButton::clicked, button, handler);
    return button;
}

} // namespace

SettingsScreen::SettingsScreen(GateStation &station, QWidget *zoneEditor, QWidget *parent)
    : QGroupBox(QStringLiteral("Setting"), parent)
    , m_station(station)
{
    setObjectName(QStringLiteral("fraSettings"));
    setAutoFillBackground(true);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabSettings"));
    m_tabs->addTab(buildPortsTab(), QStringLiteral("Keypads and Relay"));
    m_tabs->addTab(buildFrameBoxes(), QStringLiteral("Station"));
    m_tabs->addTab(buildLogTab(zoneEditor), QStringLiteral("Time Zones and Log"));
    auto *cmdSettingCancel =
        connected(namedButton(QStringLiteral("cmdSettingCancel"), QStringLiteral("Cancel"), this),
                  [this] { cmdSettingCancel_Click(); });
    auto *cmdSettingClose =
        connected(namedButton(QStringLiteral("cmdSettingClose"), QStringLiteral("Close"), this),
                  [this] { cmdSettingClose_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSettingCancel);
    buttons->addWidget(cmdSettingClose);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->addWidget(m_tabs, 1);
    outer->addLayout(buttons);
}

QWidget *SettingsScreen::buildPortsTab()
{
    auto *tab = new QWidget(this);
    auto *grid = new QGridLayout(tab);
    grid->addWidget(buildGroup(QStringLiteral("Keypad 1 Settings"), 1), 0, 0);
    grid->addWidget(buildGroup(QStringLiteral("Keypad 2 Settings"), 2), 0, 1);
    grid->addWidget(buildGroup(QStringLiteral("Relay Settings"), 3), 0, 2);
    grid->addWidget(buildRelayStatus(), 1, 2);
    grid->setRowStretch(2, 1);
    return tab;
}

QWidget *SettingsScreen::buildLogTab(QWidget *zoneEditor)
{
    auto *tab = new QWidget(this);
    auto *row = new QHBoxLayout(tab);
    zoneEditor->setParent(tab);
    row->addWidget(zoneEditor, 1);
    auto *purge = new QVBoxLayout;
    purge->addWidget(buildPurge());
    purge->addStretch(1);
    row->addLayout(purge, 1);
    return tab;
}

// A box and its label; the label shares the tool tip only for the code length,
// whose label is the one that explains it.
QLineEdit *SettingsScreen::makeBox(const SettingsBox &box, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(box.name);
    edit->setToolTip(box.toolTip);
    m_boxes.insert(box.name, edit);
    return edit;
}

QLabel *SettingsScreen::makeLabel(const SettingsBox &box, QWidget *parent)
{
    auto *label = new QLabel(box.label, parent);
    if (box.name == QLatin1String("txtScanner(7)"))
        label->setToolTip(box.toolTip);
    return label;
}

QWidget *SettingsScreen::buildGroup(const QString &caption, int defaultIndex)
{
    auto *group = new QGroupBox(caption, this);
    auto *layout = new QFormLayout(group);
    for (const SettingsBox &box : settingsBoxes()) {
        if (box.group == caption)
            layout->addRow(makeLabel(box, group), makeBox(box, group));
    }
    layout->addRow(connected(
        namedButton(defaultButtonName(defaultIndex), QStringLiteral("Default Settings"), group),
        [this, defaultIndex] { cmdDefault_Click(defaultIndex); }));
    return group;
}

// The boxes of the frame itself: short ones in two columns, the database
// paths across with their browse buttons.
QWidget *SettingsScreen::buildFrameBoxes()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    int shortBoxes = 0;
    int row = 0;
    QList<const SettingsBox *> paths;
    for (const SettingsBox &box : settingsBoxes()) {
        if (!box.group.isEmpty())
            continue;
        if (box.name.startsWith(QLatin1String("txtGateSystemLocation("))) {
            paths << &box;
            continue;
        }
        row = shortBoxes / 2;
        const int column = (shortBoxes % 2) * 2;
        grid->addWidget(makeLabel(box, panel), row, column);
        grid->addWidget(makeBox(box, panel), row, column + 1);
        ++shortBoxes;
    }
    ckMinimizeAtStartup = new QCheckBox(QStringLiteral("Minimized on Program Start"), panel);
    ckMinimizeAtStartup->setObjectName(QStringLiteral("ckMinimizeAtStartup"));
    grid->addWidget(ckMinimizeAtStartup, ++row, 1);
    grid->addWidget(
        connected(namedButton(defaultButtonName(0), QStringLiteral("Default Settings"), panel),
                  [this] { cmdDefault_Click(0); }),
        row, 3);
    for (const SettingsBox *box : paths) {
        const int index = box->name.at(box->name.size() - 2).digitValue();
        grid->addWidget(makeLabel(*box, panel), ++row, 0);
        grid->addWidget(makeBox(*box, panel), row, 1, 1, 2);
        grid->addWidget(connected(namedButton(QStringLiteral("cmdGetPath(%1)").arg(index),
                                              QStringLiteral("..."), panel),
                                  [this, index] { cmdGetPath_Click(index); }),
                        row, 3, Qt::AlignLeft);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(row + 1, 1);
    return panel;
}

QWidget *SettingsScreen::buildRelayStatus()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    auto *cmdRelayStatus = connected(
        namedButton(QStringLiteral("cmdRelayStatus"), QStringLiteral("Relay Status"), panel),
        [this] { cmdRelayStatus_Click(); });
    auto *lblStatus = new QLabel(QStringLiteral("Status"), panel);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    Label1 = new QLabel(panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    row->addWidget(cmdRelayStatus);
    row->addWidget(lblStatus);
    row->addWidget(Label1, 1);
    return panel;
}

QWidget *SettingsScreen::buildPurge()
{
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(new QLabel(QStringLiteral("This Date and Older Delete"), panel));
    m_purgeDate = new QDateTimeEdit(panel);
    m_purgeDate->setObjectName(QStringLiteral("DTPicker1(4)"));
    m_purgeDate->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    m_purgeDate->setCalendarPopup(true);
    layout->addWidget(m_purgeDate);
    layout->addWidget(
        connected(namedButton(QStringLiteral("cmdClearLog"), QStringLiteral("Clear Log"), panel),
                  [this] { emit clearLogClicked(purgeDate()); }));
    return panel;
}

SettingsForm SettingsScreen::form() const
{
    SettingsForm form;
    for (auto it = m_boxes.begin(); it != m_boxes.end(); ++it)
        form.insert(it.key(), it.value()->text());
    return form;
}

void SettingsScreen::setForm(const SettingsForm &form)
{
    for (auto it = form.begin(); it != form.end(); ++it) {
        if (QLineEdit *edit = m_boxes.value(it.key()))
            edit->setText(it.value());
    }
    markInvalid({});
}

void SettingsScreen::markInvalid(const QString &boxName)
{
    for (QLineEdit *edit : std::as_const(m_boxes)) {
        const bool invalid = edit->objectName() == boxName;
        edit->setProperty("invalid", invalid);
        edit->setStyleSheet(
            invalid ? QStringLiteral("QLineEdit { background: rgb(255, 200, 200); }") : QString());
        if (invalid) {
            for (int tab = 0; tab < m_tabs->count(); ++tab) {
                if (m_tabs->widget(tab)->isAncestorOf(edit))
                    m_tabs->setCurrentIndex(tab);
            }
            edit->setFocus();
        }
    }
}

QDate SettingsScreen::purgeDate() const
{
    return m_purgeDate->date();
}

void SettingsScreen::open()
{
    const StationSettings &settings = m_station.settings();
    setForm(formFrom(settings));
    ckMinimizeAtStartup->setChecked(settings.MinimizeAtStartup);
    const auto purgeFrom = daysBefore(Clock::now(), settings.LogDaysToKeep);
    if (!purgeFrom) {
        Prompts::message(this, QStringLiteral("Check Settings Values"));
        return;
    }
    m_purgeDate->setDateTime(*purgeFrom);
    show();
    raise();
}

// Every box is checked before anything changes, and the file is replaced whole:
// an invalid box or a failed write leaves the record and the file as they
// were, and the screen open with the edits, the first bad box marked.
void SettingsScreen::cmdSettingClose_Click()
{
    QString why;
    QString badBox;
    const StationSettings &current = m_station.settings();
    auto next = settingsFromForm(form(), current, &why, &badBox);
    if (next) {
        next->MinimizeAtStartup = ckMinimizeAtStartup->checkState() == Qt::Checked;
        if (SettingsFile::save(m_station.folder().settingsFile(), *next, &why)) {
            const QStringList atStart = m_station.applySettings(*next);
            hide();
            emit statusChanged(atStart.isEmpty()
                                   ? QStringLiteral("Settings saved")
                                   : QStringLiteral("Settings saved; these take effect at the next "
                                                    "start of the station: %1")
                                         .arg(atStart.join(QStringLiteral(", "))));
            emit done();
            return;
        }
    }
    markInvalid(badBox);
    emit statusChanged(QStringLiteral("Settings not saved: %1").arg(why));
    Prompts::message(this, InvalidField);
}

// The edits go: the next opening fills the boxes from the record.
void SettingsScreen::cmdSettingCancel_Click()
{
    hide();
    emit done();
}

void SettingsScreen::cmdDefault_Click(int index)
{
    setForm(defaultBoxes(index, m_station.settings().StartFolder));
}

// A cancelled dialog leaves the path as it was.
void SettingsScreen::cmdGetPath_Click(int index)
{
    const QString file = Prompts::openFileName(this);
    if (!file.isEmpty())
        setForm({{QStringLiteral("txtGateSystemLocation(%1)").arg(index), file}});
}

void SettingsScreen::cmdRelayStatus_Click()
{
    const auto status = m_station.relayStatus();
    if (!status)
        return;
    switch (status->outcome) {
    case RelayBoard::StatusReply::PortClosed:
        Prompts::message(this, QStringLiteral("Relay Status Port Closed"));
        return;
    case RelayBoard::StatusReply::NoAnswer:
        Prompts::message(this, QStringLiteral("The relay board did not answer within %1 seconds")
                                   .arg(GateDevices::StatusWaitMs / 1000));
        return;
    case RelayBoard::StatusReply::Answered:
        Label1->setText(QString::number(status->value));
        emit done();
        return;
    }
}
