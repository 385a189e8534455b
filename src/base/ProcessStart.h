#pragma once
// Starting a program as a process of its own on POSIX systems: detached (a new
// session, never our child, so it leaves no zombie and outlives us), with a working
// directory and environment of its own. A failed chdir or exec is reported, and a
// program that ends quickly can be waited for to learn its exit status (xdg-open
// tells by it whether a program for a link was found).

#ifndef _WIN32

#include <optional>
#include <string>
#include <vector>

namespace ter5::base {

struct SpawnRequest {
    std::string program;               // full path of the executable
    std::vector<std::string> arguments;  // argv[1...]; argv[0] is the program's file name
    std::string workingDirectory;      // empty: ours
    std::vector<std::string> environment;  // "NAME=value" entries replacing or adding to ours
    int waitMilliseconds = 0;          // how long to wait for the program's end
};

struct SpawnResult {
    int error = 0;                   // errno of a failed fork, chdir or exec; 0 when it runs
    std::optional<int> exitStatus;   // the exit status when it ended within the wait
    bool killedBySignal = false;     // it ended within the wait by a signal
};

// Starts the program as described. Returns once it runs (or failed to) and, with a
// wait, once it ended or the wait is over; a program still running then goes on.
SpawnResult SpawnDetached(const SpawnRequest& request);

// The full path of `name` on `searchPath` (PATH form); empty when it is not there.
std::string FindOnSearchPath(const std::string& name, const std::string& searchPath);

}  // namespace ter5::base

#endif
