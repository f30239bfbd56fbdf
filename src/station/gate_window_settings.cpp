#include "gate_window.h"

#include "log_dates.h"
#include "prompts.h"
#include "settings_file.h"
#include "settings_screen.h"
#include "timezones/zone_editor.h"

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
    m_zoneEditor = new ZoneEditor(m_data.AdoTimeZones, m_settings);
    fraSettings = new SettingsScreen(m_zoneEditor, central);
    ckMinimizeAtStartup = fraSettings->ckMinimizeAtStartup;
    Label1 = fraSettings->Label1;
    connect(fraSettings->cmdRelayStatus, &QPushButton::clicked, this,
            &GateWindow::cmdRelayStatus_Click);
    connect(fraSettings->cmdSettingClose, &QPushButton::clicked, this,
            &GateWindow::cmdSettingClose_Click);
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
    const auto purgeFrom = daysBefore(QDateTime::currentDateTime(), m_settings.LogDaysToKeep);
    if (!purgeFrom) {
        Prompts::message(this, QStringLiteral("Check Settings Values"));
        return;
    }
    fraSettings->purgeDate->setDateTime(*purgeFrom);
    fraSettings->show();
    fraSettings->raise();
}

// Every box is checked before anything changes, and the file is replaced whole:
// an invalid box or a failed write leaves the record and the file as they were.
void GateWindow::cmdSettingClose_Click()
{
    fraSettings->hide();
    auto next = settingsFromForm(fraSettings->form(), m_settings, nullptr);
    if (!next) {
        Prompts::message(this, InvalidField);
        return;
    }
    next->MinimizeAtStartup = ckMinimizeAtStartup->checkState() == Qt::Checked;
    QString error;
    if (!SettingsFile::save(SettingsFile::fileName(m_settings.StartFolder), *next, &error)) {
        showStatus(QStringLiteral("Settings not saved: %1").arg(error));
        Prompts::message(this, InvalidField);
        return;
    }
    m_settings = *next;
    m_devices.setRelayPause(m_settings.RelayCloseSeconds);
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
