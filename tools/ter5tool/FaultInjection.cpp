// Stopping ter5tool at a chosen step of a write, for the crash tests: with
// TER5TOOL_STOP_AT=STAGE:N in the environment (STAGE one of "staged",
// "committed", "replaced"), the process stops itself the N-th time a write
// reaches that stage, so that a test can kill it there: with SIGSTOP on POSIX
// systems (killed with SIGKILL); on Windows, which has no stop signal, it prints
// "ter5tool: stopped at STAGE" and sleeps until it is terminated.
// Without the variable nothing is installed.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

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

}  // namespace
}  // namespace ter5::tool
