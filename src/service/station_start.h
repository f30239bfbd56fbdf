#pragma once

#include "folder_lock.h"

#include <memory>
#include <optional>

// What the station does before its window: the command line, the start folder
// (made the current folder, which the window takes) and the folder's lock, held
// while this object lives.
class StationStart {
public:
    // The exit code when the station ends here (help, version, a wrong option,
    // a folder it cannot use or one another station holds); none when the
    // window may start.
    std::optional<int> prepare(int argc, char *argv[]);

private:
    std::unique_ptr<FolderLock> m_lock;
};
