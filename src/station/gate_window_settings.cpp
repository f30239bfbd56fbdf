#include "gate_window.h"

#include "common/clock.h"
#include "logview/log_dates.h"
#include "settings/settings_file.h"
#include "settings/station_folder.h"
#include "settings_screen.h"
#include "timezones/zone_editor.h"
#include "widgets/prompts.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>

namespace {

const QString InvalidField = QStringLiteral("Check Settings Invaild Field");

} // namespace

// The settings screen covers the window's controls while it is shown.
void GateWindow::buildSettingsFrame(QWidget *central)
{
    m_zoneEditor = new ZoneEditor(m_data.AdoTimeZones, m_data.AdoCustomerCodes, m_settings);
    connect(m_zoneEditor, &ZoneEditor::problem, this, &GateWindow::showStatus);
    fraSettings = new SettingsScreen(m_zoneEditor, central);
    ckMinimizeAtStartup = fraSettings->ckMinimizeAtStartup;
    Label1 = fraSettings->Label1;
    connect(fraSettings->cmdRelayStatus, &QPushButton::clicked, this,
            &GateWindow::cmdRelayStatus_Click);
    connect(fraSettings->cmdSettingClose, &QPushButton::clicked, this,
            &GateWindow::cmdSettingClose_Click);
    connect(fraSettings->cmdSettingCancel, &QPushButton::clicked, this,
            &GateWindow::cmdSettingCancel_Click);
    for (int index = 0; index < 4; ++index)
        connect(fraSettings->cmdDefault[index], &QPushButton::clicked, this,
                [this, index] { cmdDefault_Click(index); });
    for (int index = 0; index < 2; ++index)
        connect(fraSettings->cmdGetPath[index], &QPushButton::clicked, this,
                [this, index] { cmdGetPath_Click(index); });
    connect(fraSettings->cmdClearLog, &QPushButton::clicked, this, &GateWindow::cmdClearLog_Click);
    fraSettings->hide();
}

void GateWindow::mnuSettings_Click()
{
    fraSettings->setForm(formFrom(m_settings));
    const auto purgeFrom = daysBefore(Clock::now(), m_settings.LogDaysToKeep);
    if (!purgeFrom) {
        Prompts::message(this, QStringLiteral("Check Settings Values"));
        return;
    }
    fraSettings->purgeDate->setDateTime(*purgeFrom);
    fraSettings->show();
    fraSettings->raise();
}

// Every box is checked before anything changes, and the file is replaced whole:
// an invalid box or a failed write leaves the record and the file as they
// were, and the screen open with the edits, the first bad box marked.
void GateWindow::cmdSettingClose_Click()
{
    QString why;
    QString badBox;
    auto next = settingsFromForm(fraSettings->form(), m_settings, &why, &badBox);
    if (next) {
        next->MinimizeAtStartup = ckMinimizeAtStartup->checkState() == Qt::Checked;
        if (SettingsFile::save(StationFolder(m_settings.StartFolder).settingsFile(), *next, &why)) {
            const QStringList atStart = changedAtNextStart(m_settings, *next);
            m_settings = *next;
            m_devices.setRelayPause(m_settings.RelayCloseSeconds);
            fraSettings->hide();
            showStatus(atStart.isEmpty()
                           ? QStringLiteral("Settings saved")
                           : QStringLiteral("Settings saved; these take effect at the next start "
                                            "of the station: %1")
                                 .arg(atStart.join(QStringLiteral(", "))));
            return;
        }
    }
    fraSettings->markInvalid(badBox);
    showStatus(QStringLiteral("Settings not saved: %1").arg(why));
    Prompts::message(this, InvalidField);
}

// The edits go: the next opening fills the boxes from the record.
void GateWindow::cmdSettingCancel_Click()
{
    fraSettings->hide();
}

void GateWindow::cmdDefault_Click(int index)
{
    fraSettings->setForm(defaultBoxes(index, m_settings.StartFolder));
}

// A cancelled dialog leaves the path as it was.
void GateWindow::cmdGetPath_Click(int index)
{
    const QString file = Prompts::openFileName(this);
    if (!file.isEmpty())
        fraSettings->setForm({{QStringLiteral("txtGateSystemLocation(%1)").arg(index), file}});
}
