#pragma once

#include "folder_lock.h"

#include <QString>
#include <memory>
#include <optional>

// What the station does before it starts: the command line, the start folder
// (made the current folder) and the folder's lock, held while this object lives.
class StationStart {
public:
    // The exit code when the station ends here (help, version, a wrong option,
    // a folder it cannot use or one another station holds); none when the
    // window may start.
    std::optional<int> prepare(int argc, char *argv[]);
    // --headless: no window at all.
    bool headless() const { return m_headless; }
    // The lock taken was one a station that died had left.
    bool previousRunDied() const { return m_lock && m_lock->previousHolderDied(); }

    // Why no window could be drawn here (the platform plugin would find no
    // display); none when one may be.
    static std::optional<QString> noDisplay();

private:
    std::unique_ptr<FolderLock> m_lock;
    bool m_headless = false;
};
