#include "FaultHook.h"

namespace ter5::engine {
namespace {

SystemCallHook& TheHook() {
    static SystemCallHook hook;
    return hook;
}

}  // namespace

void SetSystemCallHook(SystemCallHook hook) { TheHook() = std::move(hook); }

int InjectedError(SystemCall call, const std::filesystem::path& file) { return TheHook() ? TheHook()(call, file) : 0; }

}  // namespace ter5::engine
