#include "about/about_dialog.h"
#include "about/system_info.h"
#include "support/window_probe.h"

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

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }

    // The registry's program, even a missing one, its final zero byte dropped; else
    // MSINFO32.EXE in the registry's folder when it exists; else known tools on the PATH.
    void whatIsTried()
    {
        const QString pathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
        const QString folderKey = "SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO";
        const RegistryValue folder{StringValue, "C:\\Tools"};
        auto tried = [](const QMap<QString, RegistryValue> &values, const QString &existing) {
            return candidates(
                fakeRegistry(values), [&](const QString &file) { return file == existing; },
                [](const QString &tool) {
                    return tool == "kinfocenter" ? "/bin/kinfo" : QString();
                });
        };
        const RegistryValue program{StringValue, QByteArray("C:\\missing.exe\0", 15)};
        QCOMPARE(tried({{pathKey, program}, {folderKey, folder}}, ""),
                 QStringList{"C:\\missing.exe"});
        QCOMPARE(tried({{folderKey, folder}}, "C:\\Tools\\MSINFO32.EXE"),
                 QStringList{"C:\\Tools\\MSINFO32.EXE"});
        QCOMPARE(tried({{folderKey, folder}}, ""), QStringList{"/bin/kinfo"});
    }

    // The station window hides behind the dialog and comes back when it closes.
    void dialog()
    {
        WindowProbe p;
        p.w->show();
        p.find<QAction>("mnuAbout")->trigger();
        QVERIFY(!p.w->isVisible());
        AboutDialog *about = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            about = about ? about : qobject_cast<AboutDialog *>(w);
        QVERIFY(about);
        about->findChild<QPushButton *>("cmdOK")->click();
        QVERIFY(p.w->isVisible());
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
