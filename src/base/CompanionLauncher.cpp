#include "base/CompanionLauncher.h"

#include <system_error>

#include "base/PathNames.h"
#include "base/Platform.h"
#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {

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

std::string CompanionLauncher::ExecutableDirectory() const {
    std::string directory = platform_.ReadMachineSetting(kPathWorkFiles, "C:\\Ter\\");
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    return directory;
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

bool CompanionLauncher::Launch(const std::string& base) {
    const bool directoryFound = DirectoryExists(base);
    if (!directoryFound) messages_(DirectoryMissingMessage(base));
    bool tablesFound = true;
    for (const char* name : kBaseTableNames) {
        if (!FileExistsNoCase(base, name)) tablesFound = false;
    }
    if (!tablesFound) messages_(TablesMissingMessage(base));
    if (!directoryFound || !tablesFound) return false;

    // None of the executables present: nothing is started and nothing is said.
    const auto program = FindExecutable();
    if (!program) return false;
    const StartResult result = platform_.StartProgram(*program, base);
    switch (result.status) {
    case StartStatus::Started:
        return true;
    case StartStatus::LauncherMissing:
        messages_(WineMissingMessage());
        return false;
    case StartStatus::Failed:
        messages_(StartFailedMessage(*program, result.error));
        return false;
    }
    return false;
}

}  // namespace ter5::base
