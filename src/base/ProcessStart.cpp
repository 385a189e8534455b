#ifndef _WIN32

#include "base/ProcessStart.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace ter5::base {

namespace {

// How often the waiting process looks whether the program has ended, milliseconds.
constexpr int kPollMilliseconds = 10;

// Reads exactly one int from `fd`; false at end of file.
bool ReadInt(int fd, int& value) {
    ssize_t got = 0;
    do {
        got = ::read(fd, &value, sizeof value);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof value);
}

void WriteInt(int fd, int value) {
    [[maybe_unused]] auto written = ::write(fd, &value, sizeof value);
}

// Whether "NAME=..." entry `entry` sets one of the names `overrides` set.
bool Overridden(const char* entry, const std::vector<std::string>& overrides) {
    for (const std::string& o : overrides) {
        const auto equals = o.find('=');
        if (equals != std::string::npos && std::strncmp(entry, o.c_str(), equals + 1) == 0) return true;
    }
    return false;
}

}  // namespace

std::string FindOnSearchPath(const std::string& name, const std::string& searchPath) {
    std::string::size_type start = 0;
    while (start <= searchPath.size()) {
        auto end = searchPath.find(':', start);
        if (end == std::string::npos) end = searchPath.size();
        const std::string dir = searchPath.substr(start, end - start);
        const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

SpawnResult SpawnDetached(const SpawnRequest& request) {
    // The program reports a failed chdir or exec through `report`; a successful exec
    // closes it (close-on-exec) and the parent reads end of file. The waiting process
    // sends the exit status through `status`.
    int report[2];
    int status[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {errno, {}, false};
    if (::pipe2(status, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return {error, {}, false};
    }
    // Everything the children need is prepared here: after fork only system calls follow.
    std::vector<const char*> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (!Overridden(*entry, request.environment)) environment.push_back(*entry);
    }
    for (const std::string& entry : request.environment) environment.push_back(entry.c_str());
    environment.push_back(nullptr);
    const std::string name = std::filesystem::path(request.program).filename().string();
    std::vector<const char*> argv = {name.c_str()};
    for (const std::string& a : request.arguments) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const int waitMs = request.waitMilliseconds;

    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        for (int fd : {report[0], report[1], status[0], status[1]}) ::close(fd);
        return {error, {}, false};
    }
    if (child == 0) {
        ::close(report[0]);
        ::close(status[0]);
        ::setsid();
        const pid_t program = ::fork();
        if (program < 0) ::_exit(1);
        if (program == 0) {
            int error = 0;
            if (!request.workingDirectory.empty() && ::chdir(request.workingDirectory.c_str()) != 0) {
                error = errno;
            } else {
                ::execve(request.program.c_str(), const_cast<char* const*>(argv.data()),
                         const_cast<char* const*>(environment.data()));
                error = errno;
            }
            WriteInt(report[1], error);
            ::_exit(127);
        }
        ::close(report[1]);
        // The intermediate process waits for the program's end, for a while at most;
        // when it leaves, a program still running is handed to init.
        const timespec pause{0, kPollMilliseconds * 1'000'000L};
        for (int waited = 0; waited < waitMs; waited += kPollMilliseconds) {
            int programStatus = 0;
            const pid_t done = ::waitpid(program, &programStatus, WNOHANG);
            if (done == program) {
                WriteInt(status[1], programStatus);
                break;
            }
            ::nanosleep(&pause, nullptr);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(status[1]);
    int childStatus = 0;
    while (::waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {}
    SpawnResult result;
    int error = 0;
    if (ReadInt(report[0], error)) {
        result.error = error;
    } else if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
        result.error = EAGAIN;  // the intermediate process could not fork
    }
    int programStatus = 0;
    if (result.error == 0 && ReadInt(status[0], programStatus)) {
        if (WIFEXITED(programStatus)) result.exitStatus = WEXITSTATUS(programStatus);
        result.killedBySignal = WIFSIGNALED(programStatus);
    }
    ::close(report[0]);
    ::close(status[0]);
    return result;
}

}  // namespace ter5::base

#endif
