#include "prompts.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

struct Recorder {
    bool recording = false;
    QStringList messages;
};

Recorder &recorder()
{
    static Recorder r;
    return r;
}

} // namespace

namespace Prompts {

void message(QWidget *parent, const QString &text)
{
    if (recorder().recording) {
        recorder().messages << text;
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

void startRecording()
{
    recorder().recording = true;
}

QStringList takeMessages()
{
    return std::exchange(recorder().messages, {});
}

} // namespace Prompts
