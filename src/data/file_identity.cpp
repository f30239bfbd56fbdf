#include "file_identity.h"

#include <QFile>
#include <QHash>
#include <sys/stat.h>

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}

namespace OpenFiles {

namespace {

struct Held {
    QString path;
    FileIdentity file;
};

QHash<const void *, Held> &connections()
{
    static QHash<const void *, Held> open;
    return open;
}

} // namespace

void opened(const void *connection, const QString &path, const FileIdentity &file)
{
    connections().insert(connection, {path, file});
}

void closed(const void *connection)
{
    connections().remove(connection);
}

QString refusal(const QString &path)
{
    const std::optional<FileIdentity> now = fileIdentity(path);
    for (const Held &h : std::as_const(connections())) {
        if (h.path == path && h.file != now)
            return QStringLiteral("%1 was replaced or removed while this program still has the "
                                  "old file open")
                .arg(path);
    }
    return {};
}

bool held(const FileIdentity &file, const void *except)
{
    for (auto it = connections().cbegin(); it != connections().cend(); ++it) {
        if (it.key() != except && it->file == file)
            return true;
    }
    return false;
}

} // namespace OpenFiles
