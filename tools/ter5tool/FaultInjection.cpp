// Stopping ter5tool at a chosen step of a write, for the crash tests: with
// TER5TOOL_STOP_AT=STAGE:N in the environment (STAGE one of "staged",
// "committed", "replaced"), the process stops itself (SIGSTOP) the N-th time a
// write reaches that stage, so that a test can kill it there with SIGKILL.
// Without the variable nothing is installed.

#include <csignal>
#include <cstdlib>
#include <string>

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

bool InstallStopHook() {
#ifdef SIGSTOP
    const char* value = std::getenv(kStopVariable);
    if (!value) return false;
    const std::string text = value;
    const auto colon = text.find(':');
    WriteStage stage{};
    if (colon == std::string::npos || !ParseStage(text.substr(0, colon), stage)) return false;
    const int n = std::atoi(text.c_str() + colon + 1);
    engine::SetWriteHook([stage, n, count = 0](const std::filesystem::path&, WriteStage s) mutable {
        if (s == stage && ++count == n) std::raise(SIGSTOP);
    });
    return true;
#else
    return false;
#endif
}

[[maybe_unused]] const bool kStopHookInstalled = InstallStopHook();

}  // namespace
}  // namespace ter5::tool
