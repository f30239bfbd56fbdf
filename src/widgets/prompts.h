#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

class QWidget;

// Every message box, question and input box of the station goes through here,
// with the application's title, so tests can answer them instead of a person.
namespace Prompts {

// A modal box with only an OK button.
void message(QWidget *parent, const QString &text);
// Yes/No with No as the default button; true for Yes.
bool question(QWidget *parent, const QString &text, const QString &title);
// An input box; none when cancelled.
std::optional<QString> input(QWidget *parent, const QString &prompt, const QString &title,
                             const QString &defaultAnswer);
// File dialogs; empty when cancelled.
QString openFileName(QWidget *parent);
// `suggested` is the file name offered; recorded as asked after the title.
QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                     const QString &suggested = {});

// Tests: from now on nothing is shown. Messages are recorded; questions, input
// and file boxes take the queued answers in order (a string for input and file
// boxes, a bool for questions; an empty QVariant or none left means Cancel/No)
// and their texts are recorded as asked.
void startRecording();
void queueAnswer(const QVariant &answer);
// Runs `events` while the next box is open, as events that arrive then would.
void whileNextBoxIsOpen(std::function<void()> events);
QStringList takeMessages();
QStringList takeAsked();

} // namespace Prompts
