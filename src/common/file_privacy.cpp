#include "file_privacy.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

void keepNewFilesPrivate()
{
    ::umask(027);
}

QString readableByEveryone(const QStringList &paths)
{
    QStringList open;
    for (const QString &path : paths) {
        const QFileInfo file(path);
        if (file.exists() && file.permissions().testFlag(QFileDevice::ReadOther))
            open << QDir::toNativeSeparators(path);
    }
    if (open.isEmpty())
        return {};
    return QStringLiteral("%1 can be read by every account on this computer (chmod o-r)")
        .arg(open.join(QStringLiteral(", ")));
}
