#include "about/about_dialog.h"
#include "about/system_info.h"
#include "support/window_probe.h"

#include <QLabel>
#include <QTest>

using namespace SystemInfo;

namespace {

// A registry holding the given values, by "key|name".
Registry fakeRegistry(const QMap<QString, RegistryValue> &values)
{
    return [values](const QString &key, const QString &name) -> std::optional<RegistryValue> {
        const auto it = values.find(key + '|' + name);
        return it == values.end() ? std::nullopt : std::optional<RegistryValue>(*it);
    };
}

const QString PathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
const QString FolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO";

bool noFile(const QString &)
{
    return false;
}

QString nowhere(const QString &)
{
    return {};
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }

    void keyValues()
    {
        QString value = "before";
        const Registry registry = fakeRegistry({
            {"k|with zero", {StringValue, QByteArray("C:\\tool.exe\0", 12)}},
            {"k|without zero", {StringValue, QByteArray("C:\\tool.exe")}},
            {"k|dword", {DoubleWordValue, QByteArray("\x2A\x01\x00\x00", 4)}},
            {"k|binary", {3, QByteArray("\x01\x02")}},
        });
        QVERIFY(GetKeyValue(registry, "k", "with zero", value));
        QCOMPARE(value, QStringLiteral("C:\\tool.exe"));
        QVERIFY(GetKeyValue(registry, "k", "without zero", value));
        QCOMPARE(value, QStringLiteral("C:\\tool.exe"));
        QVERIFY(GetKeyValue(registry, "k", "dword", value));
        QCOMPARE(value, QStringLiteral("298"));
        value = "unchanged";
        QVERIFY(GetKeyValue(registry, "k", "binary", value));
        QCOMPARE(value, QStringLiteral("unchanged"));
        QVERIFY(!GetKeyValue(registry, "k", "missing", value));
        QCOMPARE(value, QString());
    }

    void whatIsTried()
    {
        const RegistryValue path{StringValue, "C:\\missing\\msinfo.exe"};
        const RegistryValue folder{StringValue, "C:\\Tools"};
        // the first place names the program, even a missing one; the second is not tried
        QCOMPARE(candidates(fakeRegistry({{PathKey, path}, {FolderKey, folder}}), noFile, nowhere),
                 QStringList{"C:\\missing\\msinfo.exe"});
        QCOMPARE(candidates(fakeRegistry({{FolderKey, folder}}), noFile, nowhere), QStringList());
        QCOMPARE(candidates(
                     fakeRegistry({{FolderKey, folder}}),
                     [](const QString &f) { return f == "C:\\Tools\\MSINFO32.EXE"; }, nowhere),
                 QStringList{"C:\\Tools\\MSINFO32.EXE"});
        // without the registry entries, known tools found on the PATH
        QCOMPARE(candidates(fakeRegistry({}), noFile,
                            [](const QString &tool) {
                                return tool == "kinfocenter" ? "/usr/bin/kinfocenter" : QString();
                            }),
                 QStringList{"/usr/bin/kinfocenter"});
    }

    void dialogShowsVersionAndHidesTheStation()
    {
        WindowProbe p;
        p.w->show();
        p.find<QAction>("mnuAbout")->trigger();
        QVERIFY(!p.w->isVisible());
        AboutDialog *about = nullptr;
        const auto dialogs = QApplication::topLevelWidgets();
        for (QWidget *w : dialogs) {
            if (w->objectName() == "frmAbout")
                about = qobject_cast<AboutDialog *>(w);
        }
        QVERIFY(about);
        QCOMPARE(about->findChild<QLabel *>("lblVersion")->text(),
                 QStringLiteral("Version %1.%2.%3")
                     .arg(PROJECT_VERSION_MAJOR)
                     .arg(PROJECT_VERSION_MINOR)
                     .arg(PROJECT_VERSION_PATCH));
        QCOMPARE(about->findChild<QLabel *>("lblTitle")->text(), QStringLiteral("Gate Access"));
        QVERIFY(about->windowTitle().startsWith("About Gate Access   "));

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", p.folder.path().toUtf8()); // no system-information tool to be found
        about->findChild<QPushButton *>("cmdSysInfo")->click();
        qputenv("PATH", path);
        QCOMPARE(Prompts::takeMessages(),
                 QStringList{"System Information Is Unavailable At This Time"});

        QPointer<AboutDialog> closing(about);
        about->findChild<QPushButton *>("cmdOK")->click();
        QVERIFY(p.w->isVisible());
        QTRY_VERIFY(closing.isNull());
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
