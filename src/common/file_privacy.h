#pragma once

#include <QString>
#include <QStringList>

// Files the station and gatectl make hold tenants' names and gate codes: they
// are made for the owner and the group only (files 0640, folders 0750).
void keepNewFilesPrivate();

// A warning naming those of `paths` that every account can read; empty when none.
QString readableByEveryone(const QStringList &paths);
