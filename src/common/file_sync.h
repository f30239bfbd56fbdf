#pragma once

#include <QFile>
#include <QString>

// What must survive a power cut: a file's bytes, and a new file's name.
bool syncToDisk(QFile &file);
void syncFolderOf(const QString &path);
