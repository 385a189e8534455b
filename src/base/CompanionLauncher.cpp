#include "base/CompanionLauncher.h"

#include <system_error>

#include "base/PathNames.h"
#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

// The companion program's directory when no place sets one.
constexpr const char* kDefaultExecutableDirectory = "C:\\Ter\\";

std::string WithBackslash(std::string directory) {
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    return directory;
}

}  // namespace

CompanionLauncher::CompanionLauncher(Platform& platform, MessageSink messages)
    : platform_(platform), messages_(std::move(messages)) {}

std::string CompanionLauncher::DirectoryMissingMessage(const std::string& base) {
    return "Не найден выбранный каталог " + base + " !";
}

std::string CompanionLauncher::TablesMissingMessage(const std::string& base) {
    return "В каталое " + base + " не найдены рабочие базы нанных программы TER v.5 !";
}

std::string CompanionLauncher::WineMissingMessage() {
    return "Программа TER v.5 запускается через Wine, но Wine не найден.\n"
           "Установите Wine (пакет wine) и повторите запуск.";
}

std::string CompanionLauncher::StartFailedMessage(const std::string& program, const std::string& error) {
    return "Невозможно запустить программу " + program + " : " + error;
}

std::string CompanionLauncher::ExecutableMissingMessage(const std::string& directory, const std::string& hostDirectory,
                                                        const SettingLookup& lookup, const std::string& settingsFile) {
    std::string names;
    for (const char* name : kCompanionExecutables) names += std::string(names.empty() ? "" : ", ") + name;
    std::string text = "Программа TER v.5 не найдена: в каталоге " + directory;
    if (hostDirectory != directory && hostDirectory + "/" != directory) text += " (" + hostDirectory + ")";
    text += " нет ни одного из файлов " + names + ".\n";
    if (lookup.value) {
        text += "Этот каталог задан: " + lookup.origin + ".\n";
    } else {
        text += "Этот каталог взят по умолчанию: параметр " + std::string(kPathWorkFiles) + " нигде не задан.\n";
    }
    text += "Укажите каталог программы TER v.5 параметром " + std::string(kPathWorkFiles) + " в файле настроек " +
            settingsFile + ".";
    return text;
}

std::string CompanionLauncher::ExecutableDirectory() const {
    return WithBackslash(platform_.ReadMachineSetting(kPathWorkFiles, kDefaultExecutableDirectory));
}

std::optional<std::string> CompanionLauncher::FindExecutable() const {
    const std::string directory = ExecutableDirectory();
    for (const char* name : kCompanionExecutables) {
        const std::string program = directory + name;
        const auto file = engine::ResolveNoCase(PathFromUtf8(platform_.HostPath(program)));
        std::error_code ec;
        if (file && fs::is_regular_file(*file, ec)) return program;
    }
    return std::nullopt;
}

LaunchReport CompanionLauncher::Launch(const std::string& base, bool dryRun) {
    LaunchReport report;
    report.directory = base;
    const bool directoryFound = DirectoryExists(base);
    if (!directoryFound) messages_(DirectoryMissingMessage(base));
    bool tablesFound = true;
    for (const char* name : kBaseTableNames) {
        if (!FileExistsNoCase(base, name)) tablesFound = false;
    }
    if (!tablesFound) messages_(TablesMissingMessage(base));
    if (!directoryFound || !tablesFound) return report;
    report.companionDirectory = platform_.CompanionPath(base);

    const auto program = FindExecutable();
    if (!program) {
        // Nothing to start would look like success (the grids merely empty): say
        // which folder was searched and where it is set.
        const SettingLookup lookup = platform_.LookupMachineSetting(kPathWorkFiles);
        const std::string directory = ExecutableDirectory();
        messages_(ExecutableMissingMessage(directory, platform_.HostPath(directory), lookup,
                                           platform_.UserSettingsFile()));
        report.outcome = LaunchOutcome::ExecutableMissing;
        return report;
    }
    report.program = *program;
    const auto hostProgram = engine::ResolveNoCase(PathFromUtf8(platform_.HostPath(*program)));
    report.hostProgram = hostProgram ? PathToUtf8(*hostProgram) : platform_.HostPath(*program);
    report.outcome = LaunchOutcome::Started;
    if (dryRun) return report;

    const StartResult result = platform_.StartProgram(*program, base);
    switch (result.status) {
    case StartStatus::Started:
        break;
    case StartStatus::LauncherMissing:
        messages_(WineMissingMessage());
        report.outcome = LaunchOutcome::StartFailed;
        break;
    case StartStatus::Failed:
        messages_(StartFailedMessage(*program, result.error));
        report.outcome = LaunchOutcome::StartFailed;
        break;
    }
    return report;
}

}  // namespace ter5::base
