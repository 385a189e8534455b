// Faults on purpose, for the crash and failure tests.
//
// Stopping ter5tool at a chosen step of a write: with TER5TOOL_STOP_AT=STAGE:N in
// the environment (STAGE one of "staged", "committed", "replaced"), the process
// stops itself the N-th time a write reaches that stage, so that a test can kill it
// there: with SIGSTOP on POSIX systems (killed with SIGKILL, or let go on with
// SIGCONT); on Windows, which has no stop signal, it prints "ter5tool: stopped at
// STAGE" and sleeps until it is terminated.
//
// Failing a system call of a write: with TER5TOOL_FAIL=CALL:ERROR[:N][,…] (CALL one
// of "chmod", "chown", "xattr", "fsync", "dirsync", "rename"; ERROR a name such as
// EPERM, EIO, ENOSPC, EACCES or a number), the N-th such call (the first when N is
// left out) fails with that error as if the system had refused it.
//
// Without the variables nothing is installed.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "engine/FaultHook.h"
#include "engine/FileTransaction.h"

namespace ter5::tool {
namespace {

using engine::WriteStage;

// The environment variable and its stage words.
constexpr char kStopVariable[] = "TER5TOOL_STOP_AT";

bool ParseStage(const std::string& word, WriteStage& stage) {
    if (word == "staged") stage = WriteStage::BeforeReplace;
    else if (word == "committed") stage = WriteStage::Committed;
    else if (word == "replaced") stage = WriteStage::AfterReplace;
    else return false;
    return true;
}

// Stops this process where the hook was asked to.
void StopHere([[maybe_unused]] const std::string& stage) {
#ifdef _WIN32
    std::printf("ter5tool: stopped at %s\n", stage.c_str());
    std::fflush(stdout);
    for (;;) Sleep(INFINITE);
#else
    std::raise(SIGSTOP);
#endif
}

bool InstallStopHook() {
    const char* value = std::getenv(kStopVariable);
    if (!value) return false;
    const std::string text = value;
    const auto colon = text.find(':');
    WriteStage stage{};
    if (colon == std::string::npos || !ParseStage(text.substr(0, colon), stage)) return false;
    const int n = std::atoi(text.c_str() + colon + 1);
    const std::string word = text.substr(0, colon);
    engine::SetWriteHook([stage, n, word, count = 0](const std::filesystem::path&, WriteStage s) mutable {
        if (s == stage && ++count == n) StopHere(word);
    });
    return true;
}

[[maybe_unused]] const bool kStopHookInstalled = InstallStopHook();

constexpr char kFailVariable[] = "TER5TOOL_FAIL";

using engine::SystemCall;

bool ParseCall(const std::string& word, SystemCall& call) {
    if (word == "chmod") call = SystemCall::Chmod;
    else if (word == "chown") call = SystemCall::Chown;
    else if (word == "xattr") call = SystemCall::CopyAttribute;
    else if (word == "fsync") call = SystemCall::SyncFile;
    else if (word == "dirsync") call = SystemCall::SyncDirectory;
    else if (word == "rename") call = SystemCall::Rename;
    else return false;
    return true;
}

int ParseError(const std::string& word) {
    if (word == "EPERM") return EPERM;
    if (word == "EIO") return EIO;
    if (word == "ENOSPC") return ENOSPC;
    if (word == "EACCES") return EACCES;
    return std::atoi(word.c_str());
}

// One planned failure: the n-th call of its kind fails with `error`.
struct PlannedFailure {
    SystemCall call;
    int error;
    int n;
};

bool InstallFailHook() {
    const char* value = std::getenv(kFailVariable);
    if (!value) return false;
    std::vector<PlannedFailure> plan;
    std::istringstream items(value);
    for (std::string item; std::getline(items, item, ',');) {
        std::istringstream parts(item);
        std::string call, error, n;
        std::getline(parts, call, ':');
        std::getline(parts, error, ':');
        std::getline(parts, n, ':');
        PlannedFailure p{};
        if (!ParseCall(call, p.call) || (p.error = ParseError(error)) <= 0) continue;
        p.n = n.empty() ? 1 : std::atoi(n.c_str());
        plan.push_back(p);
    }
    if (plan.empty()) return false;
    engine::SetSystemCallHook([plan, counts = std::vector<int>(plan.size(), 0)](SystemCall call,
                                                                               const std::filesystem::path&) mutable {
        int error = 0;
        for (std::size_t i = 0; i < plan.size(); ++i)
            if (plan[i].call == call && ++counts[i] == plan[i].n) error = plan[i].error;
        return error;
    });
    return true;
}

[[maybe_unused]] const bool kFailHookInstalled = InstallFailHook();

}  // namespace
}  // namespace ter5::tool
