#pragma once

#include <QString>
#include <optional>

// Which file a path names right now: a file renamed over the path, or made
// anew, has another identity even when its name and size are the same.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity &) const = default;
};

// None when nothing is at the path.
std::optional<FileIdentity> fileIdentity(const QString &path);
