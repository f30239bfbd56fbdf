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

// The database files this process's connections have open, by path. SQLite
// keeps a file's write-ahead log and shared memory beside it under names made
// from its path: a connection that opened the file now at a path while another
// of this process still held the file that was there before would share those
// with it, and the old one's shared memory would be cut from under it (a crash
// or a corrupted log). So nothing opens a path while this process still holds
// another file there.
namespace OpenFiles {

void opened(const void *connection, const QString &path, const FileIdentity &file);
void closed(const void *connection);
// Empty when `path` may be opened now; else why not.
QString refusal(const QString &path);
// Whether a connection of this process, other than `except`, has `file` open.
bool held(const FileIdentity &file, const void *except = nullptr);

} // namespace OpenFiles
