#include "prompts.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QQueue>

namespace {

struct Recorder {
    bool recording = false;
    QStringList messages;
    QStringList asked;
    QQueue<QVariant> answers;
    std::function<void()> whileOpen;

    void boxOpen()
    {
        if (auto events = std::exchange(whileOpen, {}))
            events();
    }

    QVariant answer(const QString &asking)
    {
        asked << asking;
        boxOpen();
        return answers.isEmpty() ? QVariant() : answers.dequeue();
    }
};

Recorder &recorder()
{
    static Recorder r;
    return r;
}

QString title()
{
    return QGuiApplication::applicationDisplayName();
}

} // namespace

namespace Prompts {

void message(QWidget *parent, const QString &text)
{
    if (recorder().recording) {
        recorder().messages << text;
        recorder().boxOpen();
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool question(QWidget *parent, const QString &text, const QString &caption)
{
    if (recorder().recording)
        return recorder().answer(text).toBool();
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> input(QWidget *parent, const QString &prompt, const QString &caption,
                             const QString &defaultAnswer)
{
    if (recorder().recording) {
        const QVariant answer = recorder().answer(prompt);
        return answer.isValid() ? std::optional<QString>(answer.toString()) : std::nullopt;
    }
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

QString openFileName(QWidget *parent)
{
    if (recorder().recording)
        return recorder().answer(QStringLiteral("open file")).toString();
    return QFileDialog::getOpenFileName(parent);
}

QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                     const QString &suggested)
{
    if (recorder().recording)
        return recorder()
            .answer(QStringList{caption, suggested}.join(QLatin1Char(' ')).trimmed())
            .toString();
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

void startRecording()
{
    recorder().recording = true;
}

void whileNextBoxIsOpen(std::function<void()> events)
{
    recorder().whileOpen = std::move(events);
}

void queueAnswer(const QVariant &answer)
{
    recorder().answers.enqueue(answer);
}

QStringList takeMessages()
{
    return std::exchange(recorder().messages, {});
}

QStringList takeAsked()
{
    recorder().answers.clear();
    return std::exchange(recorder().asked, {});
}

} // namespace Prompts
