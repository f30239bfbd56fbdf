#include "zone_editor.h"

#include "data/data_control.h"
#include "settings/station_settings.h"
#include "widgets/fixed_pitch_font.h"
#include "widgets/prompts.h"
#include "zone_table.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

const QString NumberNotValid = QStringLiteral("Number Not Vaild");
constexpr int RowIdRole = Qt::UserRole;

QTimeEdit *timePicker(int index, QWidget *parent)
{
    auto *picker = new QTimeEdit(parent);
    picker->setObjectName(QStringLiteral("DTPicker1(%1)").arg(index));
    picker->setDisplayFormat(QStringLiteral("hh:mm AP"));
    return picker;
}

// A stored time that is none shows as midnight, for the operator to set and Save.
QTime pickerTime(const QString &stored)
{
    const QTime time = zoneTime(stored);
    return time.isValid() ? time : QTime(0, 0);
}

} // namespace

ZoneEditor::ZoneEditor(DataControl &zones, const DataControl &customers,
                       const StationSettings &settings, QWidget *parent)
    : QGroupBox(QStringLiteral("Time Zones"), parent)
    , m_zones(zones)
    , m_customers(customers)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("fraTimeZones"));
    lstTimeZones = new QListWidget(this);
    lstTimeZones->setObjectName(QStringLiteral("lstTimeZones"));
    lstTimeZones->setFont(fixedPitchFont());
    txtZone0 = new QLineEdit(this);
    txtZone0->setObjectName(QStringLiteral("txtZone(0)"));
    txtZone0->setReadOnly(true); // a zone's number is chosen when it is added
    startPicker = timePicker(0, this);
    stopPicker = timePicker(1, this);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Zone"), txtZone0);
    fields->addRow(QStringLiteral("Start"), startPicker);
    fields->addRow(QStringLiteral("Stop"), stopPicker);
    auto *buttons = new QHBoxLayout;
    const QStringList captions{QStringLiteral("Add"), QStringLiteral("Save"),
                               QStringLiteral("Delete")};
    for (int index = 0; index < captions.size(); ++index) {
        auto *b = new QPushButton(captions[index], this);
        b->setObjectName(QStringLiteral("cmdTimeZone(%1)").arg(index));
        connect(b, &QPushButton::clicked, this, [this, index] { cmdTimeZone_Click(index); });
        buttons->addWidget(b);
    }
    auto *headings = new QLabel(zoneHeadings(), this);
    headings->setObjectName(QStringLiteral("lblZoneHeadings"));
    headings->setFont(fixedPitchFont());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(headings);
    layout->addWidget(lstTimeZones, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    connect(lstTimeZones, &QListWidget::itemPressed, this, &ZoneEditor::lstTimeZones_MouseDown);
}

bool ZoneEditor::LoadTimeZoneList(QString *error)
{
    lstTimeZones->clear();
    m_zones.setConnectionString(m_settings.GateConnectionString);
    m_zones.setRecordSource(QStringLiteral("select * from tblTimeZones order by fldTimeZone"));
    m_listed.clear();
    if (!m_zones.refresh(error) || !ZoneTable::read(m_zones.database(), m_listed, error))
        return false;
    for (const ZoneEntry &zone : m_listed) {
        auto *item = new QListWidgetItem(zoneListLine(zone.row), lstTimeZones);
        item->setData(RowIdRole, zone.rowId);
    }
    showZone(m_listed.isEmpty() ? std::nullopt : std::optional<qint64>(m_listed.first().rowId));
    if (!brokenZones().isEmpty())
        emit problem(brokenZones());
    return true;
}

QString ZoneEditor::brokenZones() const
{
    return brokenZonesText(m_listed);
}

void ZoneEditor::cmdTimeZone_Click(int index)
{
    switch (index) {
    case 0:
        addZone();
        break;
    case 1:
        saveZone();
        break;
    case 2:
        deleteZone();
        break;
    default:
        break;
    }
}

void ZoneEditor::lstTimeZones_MouseDown()
{
    const QListWidgetItem *item = lstTimeZones->currentItem();
    if (!item || item->text().isEmpty())
        return;
    showZone(item->data(RowIdRole).toLongLong());
}

void ZoneEditor::addZone()
{
    ZoneAnswer answer;
    do {
        answer =
            zoneAnswer(Prompts::input(this, QStringLiteral("Enter Zone Number 1 to 63"),
                                      QStringLiteral("Adding Time Zone"), QStringLiteral("1")));
    } while (answer.kind == ZoneAnswer::AskAgain);
    if (answer.kind == ZoneAnswer::Stop)
        return;
    if (answer.kind == ZoneAnswer::NotValid) {
        Prompts::message(this, NumberNotValid);
        return;
    }
    QString error;
    qint64 inUseRow = 0;
    switch (ZoneTable::add(m_zones.database(), answer.zone, inUseRow, &error)) {
    case ZoneTable::AddResult::InUse:
        showZone(inUseRow);
        Prompts::message(this, QStringLiteral("%1 Already in Use").arg(answer.zone));
        return;
    case ZoneTable::AddResult::Failed:
        break;
    case ZoneTable::AddResult::Added:
        if (LoadTimeZoneList(&error))
            return;
        break;
    }
    emit problem(QStringLiteral("Time zone %1 not added: %2").arg(answer.zone).arg(error));
    Prompts::message(this, NumberNotValid);
}

// Units and master codes of a zone are refused or let in by its times: a
// change to a zone in use is made only after the operator agrees.
bool ZoneEditor::agreedToChange(const ZoneEntry &zone, const QString &question,
                                const QString &title)
{
    ZoneTable::ZoneUse use;
    QString error;
    if (!ZoneTable::use(m_customers.database(), zone.row.zone, use, &error))
        return Prompts::question(this,
                                 QStringLiteral("Whether units or master codes use time zone %1 "
                                                "cannot be read (%2). %3")
                                     .arg(zone.row.zone, error, question),
                                 title);
    return !use.any() ||
           Prompts::question(this, zoneUseText(zone.row.zone, use) + QLatin1Char(' ') + question,
                             title);
}

const ZoneEntry *ZoneEditor::listedZone(qint64 rowId) const
{
    const auto it = std::find_if(m_listed.begin(), m_listed.end(),
                                 [&](const ZoneEntry &z) { return z.rowId == rowId; });
    return it == m_listed.end() ? nullptr : &*it;
}

void ZoneEditor::saveZone()
{
    const ZoneEntry *zone = m_current ? listedZone(*m_current) : nullptr;
    const bool changed = zone && (pickerTime(zone->row.start) != startPicker->time() ||
                                  pickerTime(zone->row.stop) != stopPicker->time());
    if (changed && !agreedToChange(*zone, QStringLiteral("Change its times?"),
                                   QStringLiteral("Change Time Zone?")))
        return;
    QString error;
    if (m_current && !ZoneTable::saveTimes(m_zones.database(), *m_current, startPicker->time(),
                                           stopPicker->time(), &error)) {
        Prompts::message(this, QStringLiteral("The time zone was not saved: %1").arg(error));
        return;
    }
    reloadOrReport();
}

// Deletes the zone of the selected line, never the last one left.
void ZoneEditor::deleteZone()
{
    const QListWidgetItem *item = lstTimeZones->currentItem();
    if (!item || !item->isSelected())
        return;
    const ZoneEntry *zone = listedZone(item->data(RowIdRole).toLongLong());
    if (zone && m_listed.size() > 1 &&
        !agreedToChange(*zone, QStringLiteral("Delete it?"), QStringLiteral("Delete Time Zone?")))
        return;
    QString error;
    if (ZoneTable::remove(m_zones.database(), item->data(RowIdRole).toLongLong(), &error) ==
        ZoneTable::DeleteResult::Failed) {
        Prompts::message(this, QStringLiteral("The time zone was not deleted: %1").arg(error));
        return;
    }
    reloadOrReport();
}

void ZoneEditor::reloadOrReport()
{
    QString error;
    if (!LoadTimeZoneList(&error))
        Prompts::message(this, QStringLiteral("The time zones cannot be read: %1").arg(error));
}

void ZoneEditor::showZone(std::optional<qint64> rowId)
{
    const ZoneEntry *zone = rowId ? listedZone(*rowId) : nullptr;
    m_current = zone ? rowId : std::nullopt;
    if (!zone) {
        txtZone0->clear();
        return;
    }
    txtZone0->setText(zone->row.zone);
    startPicker->setTime(pickerTime(zone->row.start));
    stopPicker->setTime(pickerTime(zone->row.stop));
}
