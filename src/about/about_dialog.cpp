#include "about_dialog.h"

#include "build_info.h"
#include "system_info.h"
#include "widgets/named_widgets.h"
#include "widgets/prompts.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>

namespace {

const QString Title = QStringLiteral(GATE_TITLE);

QLabel *label(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(GATE_VERSION_MAJOR)
        .arg(GATE_VERSION_MINOR)
        .arg(GATE_VERSION_PATCH);
}

AboutDialog::AboutDialog(QWidget *stationWindow)
    : QDialog(nullptr)
    , m_stationWindow(stationWindow)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About %1   %2").arg(Title, QStringLiteral(GATE_HOMEPAGE)));
    auto *picIcon = label(QStringLiteral("picIcon"), QString(), this);
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    auto *lblTitle = label(QStringLiteral("lblTitle"), Title, this);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblTitle->setFont(big);
    auto *lblVersion = label(QStringLiteral("lblVersion"), versionText(), this);
    auto *lblDescription =
        label(QStringLiteral("lblDescription"),
              QStringLiteral("Unattended gate access for self-storage facilities: keypad codes, "
                             "access windows, the gate relay and the gate log."),
              this);
    lblDescription->setWordWrap(true);
    auto *label4 =
        label(QStringLiteral("Label4"),
              QStringLiteral("Every attempt at the gate is recorded in the gate log."), this);
    label4->setWordWrap(true);
    auto *cmdOK = namedButton(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
    auto *cmdSysInfo =
        namedButton(QStringLiteral("cmdSysInfo"), QStringLiteral("&System Info..."), this);
    cmdOK->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(label4, 3, 1);
    grid->addWidget(cmdOK, 4, 2);
    grid->addWidget(cmdSysInfo, 5, 2);
    connect(cmdOK, &QPushButton::clicked, this, &AboutDialog::cmdOK_Click);
    connect(this, &QDialog::finished, this, [this] {
        if (m_stationWindow)
            m_stationWindow->show();
    });
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutDialog::cmdSysInfo_Click);
}

void AboutDialog::cmdOK_Click()
{
    accept();
}

void AboutDialog::cmdSysInfo_Click()
{
    StartSysInfo();
}

void AboutDialog::StartSysInfo()
{
    const QStringList programs = SystemInfo::candidates(
        SystemInfo::machineRegistry(), [](const QString &file) { return QFileInfo::exists(file); },
        [](const QString &tool) { return QStandardPaths::findExecutable(tool); });
    for (const QString &program : programs) {
        if (!program.isEmpty() && QProcess::startDetached(program, {}))
            return;
    }
    Prompts::message(this, QStringLiteral("System Information Is Unavailable At This Time"));
}
