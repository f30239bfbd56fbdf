#pragma once

// The station decides codes on a machine of two cores or so. The tools that
// sync, import, copy and check run below it, so a key never waits for a core
// their work holds. Only ever lowers the priority; a sandbox that refuses the
// call leaves it to the service's own Nice=.
void runBelowTheGate();

// The niceness runBelowTheGate() takes.
constexpr int HousekeepingNice = 10;
