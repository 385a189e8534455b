// `ter5tool open BASE [--dry-run]`: the batch face of "Открыть". Finds the companion
// program as the desktop program does (the settings file, the Wine prefix's
// registry, the system-wide files), starts it on the base, and prints
//     program: C:\Ter\Ter5.exe
//     file: /home/user/.wine/drive_c/Ter/Ter5.exe
//     directory: C:\Bases\Town
// the executable as the setting composes it, where it lies, and the working
// directory as the program sees it (the Windows path under Wine). With --dry-run
// nothing is started. Exit status: 0 started (found), 1 none of the executables
// found, 2 any other error (no such base, Wine missing, the start refused).

#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/CompanionLauncher.h"
#include "base/Platform.h"
#include "engine/EngineError.h"

namespace ter5::tool {
namespace {

// Exit statuses of the command.
constexpr int kStarted = 0;
constexpr int kExecutableMissing = 1;
constexpr int kError = 2;

int RunOpen(const std::vector<std::string>& args) {
    std::string base;
    bool dryRun = false;
    for (const std::string& a : args) {
        if (a == "--dry-run") {
            dryRun = true;
        } else if (a.starts_with("-")) {
            throw engine::EngineError("unknown option '" + a + "'");
        } else if (base.empty()) {
            base = a;
        } else {
            throw engine::EngineError("one base directory only, got '" + base + "' and '" + a + "'");
        }
    }
    if (base.empty()) throw engine::EngineError("usage: open BASE [--dry-run]");

    const auto platform = base::CreatePlatform();
    base::CompanionLauncher launcher(*platform, [](const std::string& message) {
        std::fprintf(stderr, "ter5tool open: %s\n", message.c_str());
    });
    const base::LaunchReport report = launcher.Launch(base, dryRun);
    if (!report.program.empty()) {
        std::printf("program: %s\nfile: %s\ndirectory: %s\n", report.program.c_str(), report.hostProgram.c_str(),
                    report.companionDirectory.c_str());
    }
    switch (report.outcome) {
    case base::LaunchOutcome::Started: return kStarted;
    case base::LaunchOutcome::ExecutableMissing: return kExecutableMissing;
    default: return kError;
    }
}

const CommandRegistration kOpen(
    "open", "BASE [--dry-run]  start the companion program on a base (--dry-run: only show what would start)",
    RunOpen);

}  // namespace
}  // namespace ter5::tool
