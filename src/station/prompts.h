#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box of the station goes through here, so that tests can record
// what would have been shown instead of blocking on a dialog.
namespace Prompts {

// A modal box with only an OK button and the application's title.
void message(QWidget *parent, const QString &text);

// Tests: from now on messages are recorded, not shown.
void startRecording();
// The messages recorded since the last call, oldest first.
QStringList takeMessages();

} // namespace Prompts
