#include "settings_screen.h"

#include "widgets/named_widgets.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>

namespace {

QString defaultButtonName(int index)
{
    return QStringLiteral("cmdDefault(%1)").arg(index);
}

} // namespace

SettingsScreen::SettingsScreen(QWidget *zoneEditor, QWidget *parent)
    : QGroupBox(QStringLiteral("Setting"), parent)
{
    setObjectName(QStringLiteral("fraSettings"));
    setAutoFillBackground(true);
    // Scrolls rather than squeezes the boxes when the window is small.
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    auto *grid = new QGridLayout(content);
    grid->addWidget(buildGroup(QStringLiteral("Keypad 1 Settings"), 1), 0, 0);
    grid->addWidget(buildGroup(QStringLiteral("Keypad 2 Settings"), 2), 0, 1);
    grid->addWidget(buildGroup(QStringLiteral("Relay Settings"), 3), 0, 2);
    grid->addWidget(buildFrameBoxes(), 1, 0, 1, 3);
    zoneEditor->setParent(content);
    grid->addWidget(zoneEditor, 2, 0);
    auto *middle = new QVBoxLayout;
    middle->addWidget(buildPurge());
    middle->addWidget(buildRelayStatus());
    middle->addStretch(1);
    grid->addLayout(middle, 2, 1);
    cmdSettingClose =
        namedButton(QStringLiteral("cmdSettingClose"), QStringLiteral("Close"), content);
    grid->addWidget(cmdSettingClose, 2, 2, Qt::AlignBottom | Qt::AlignRight);
    scroll->setWidget(content);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->addWidget(scroll);
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
    cmdDefault[defaultIndex] =
        namedButton(defaultButtonName(defaultIndex), QStringLiteral("Default Settings"), group);
    layout->addRow(cmdDefault[defaultIndex]);
    return group;
}

// The boxes that sit on the frame itself: short ones in two columns, the
// database paths across with their browse buttons.
QWidget *SettingsScreen::buildFrameBoxes()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
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
    cmdDefault[0] = namedButton(defaultButtonName(0), QStringLiteral("Default Settings"), panel);
    grid->addWidget(cmdDefault[0], row, 3);
    for (const SettingsBox *box : paths) {
        const int index = box->name.at(box->name.size() - 2).digitValue();
        cmdGetPath[index] =
            namedButton(QStringLiteral("cmdGetPath(%1)").arg(index), QStringLiteral("..."), panel);
        grid->addWidget(makeLabel(*box, panel), ++row, 0);
        grid->addWidget(makeBox(*box, panel), row, 1, 1, 2);
        grid->addWidget(cmdGetPath[index], row, 3, Qt::AlignLeft);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return panel;
}

QWidget *SettingsScreen::buildRelayStatus()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    cmdRelayStatus =
        namedButton(QStringLiteral("cmdRelayStatus"), QStringLiteral("Relay Status"), panel);
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
    purgeDate = new QDateTimeEdit(panel);
    purgeDate->setObjectName(QStringLiteral("DTPicker1(4)"));
    purgeDate->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    purgeDate->setCalendarPopup(true);
    layout->addWidget(purgeDate);
    cmdClearLog = namedButton(QStringLiteral("cmdClearLog"), QStringLiteral("Clear Log"), panel);
    layout->addWidget(cmdClearLog);
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
}
