#ifndef _WIN32

#include "base/LinuxPlatform.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/PathNames.h"
#include "base/ProcessStart.h"
#include "base/SettingsFile.h"
#include "base/WineRegistry.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

// Where the system-wide settings are kept, the new file and the old one.
constexpr const char* kSystemSettingsFile = "/etc/ter5manager.conf";
constexpr const char* kLegacySettingsFile = "/etc/terrakon.conf";
// The machine-wide part of a Wine prefix's registry.
constexpr const char* kSystemRegistryFile = "system.reg";
// The companion program's key in the 64-bit view and where a 32-bit installer writes it.
constexpr const char* kRegistryKey = "Software\\Terrakon";
constexpr const char* kWow64RegistryKey = "Software\\Wow6432Node\\Terrakon";
// How long xdg-open is given to tell that no program takes a link, milliseconds. A
// desktop's opener answers at once; without a desktop xdg-open runs the program
// found in the foreground, so its staying longer means the program runs.
constexpr int kOpenerWaitMilliseconds = 1500;
// xdg-open's exit statuses for a link no program takes and for a program that failed.
constexpr int kXdgNoProgram = 3;
constexpr int kXdgActionFailed = 4;

// How long Wine is watched after the start: a program path Wine cannot open ends it at
// once with an error status, which is then reported; a program that runs stays.
constexpr int kWineWaitMilliseconds = 2000;
// A UTF-8 character type every glibc system has.
constexpr const char* kUtf8Locale = "C.UTF-8";

// Whether the environment's character type, as a new process would set it up, is a
// UTF-8 one. Wine turns its arguments and paths into Windows text with it: under a
// locale that is not installed (LANG=ru_RU.UTF-8 without the locale) it falls back to
// ASCII and cannot open "C:\Программы\...".
bool EnvironmentIsUtf8() {
    const locale_t environment = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (environment == static_cast<locale_t>(nullptr)) return false;
    const std::string codeset = ::nl_langinfo_l(CODESET, environment);
    ::freelocale(environment);
    return codeset == "UTF-8";
}

// The environment entries that give Wine a UTF-8 character type where the user's does
// not; none when it is one already or no UTF-8 locale is there.
std::vector<std::string> Utf8Environment() {
    if (EnvironmentIsUtf8()) return {};
    const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, kUtf8Locale, static_cast<locale_t>(nullptr));
    if (utf8 == static_cast<locale_t>(nullptr)) return {};
    ::freelocale(utf8);
    // LC_ALL overrides LC_CTYPE: where it is set, it is the one to replace.
    const char* all = std::getenv("LC_ALL");
    return {std::string(all && *all ? "LC_ALL=" : "LC_CTYPE=") + kUtf8Locale};
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

LinuxPlatform::Options LinuxPlatform::DefaultOptions() {
    Options options;
    options.userSettings = UserSettingsPath();
    // TER5_MACHINE_SETTINGS names a system-wide file that stands for both.
    const std::string system = Environment("TER5_MACHINE_SETTINGS");
    options.systemSettings = system.empty() ? fs::path(kSystemSettingsFile) : PathFromUtf8(system);
    if (system.empty()) options.legacySettings = kLegacySettingsFile;
    options.winePrefix = PathFromUtf8(Environment("WINEPREFIX"));
    const std::string path = Environment("PATH");
    options.searchPath = path.empty() ? "/usr/local/bin:/usr/bin:/bin" : path;
    return options;
}

LinuxPlatform::LinuxPlatform() : LinuxPlatform(DefaultOptions()) {}

LinuxPlatform::LinuxPlatform(Options options) : options_(std::move(options)) {}

std::optional<std::string> LinuxPlatform::ReadSetting(const std::string& key) const {
    for (const fs::path& file : {options_.userSettings, options_.systemSettings}) {
        if (file.empty()) continue;
        const auto value = SettingsFile::Load(file).Value(key);
        if (value && !TrimBlanks(*value).empty()) return value;
    }
    return std::nullopt;
}

fs::path LinuxPlatform::WinePrefix() const {
    if (!options_.winePrefix.empty()) return options_.winePrefix;
    if (const auto prefix = ReadSetting(kWinePrefixKey)) return ExpandHome(TrimBlanks(*prefix));
    return WinePathMapper::DefaultPrefix();
}

SettingLookup LinuxPlatform::LookupMachineSetting(const std::string& name) const {
    SettingLookup found;
    // Records a place looked at; true when it holds a non-blank value.
    const auto take = [&found](const std::optional<std::string>& value, std::string origin) {
        found.searched.push_back(origin);
        if (!value || TrimBlanks(*value).empty()) return false;
        found.value = *value;
        found.origin = std::move(origin);
        return true;
    };

    if (!options_.userSettings.empty() &&
        take(SettingsFile::Load(options_.userSettings).Value(name),
             "файл настроек " + PathToUtf8(options_.userSettings)))
        return found;

    const fs::path registry = WinePrefix() / kSystemRegistryFile;
    for (const char* key : {kRegistryKey, kWow64RegistryKey}) {
        const std::string origin =
            "реестр Wine " + PathToUtf8(registry) + ", раздел HKEY_LOCAL_MACHINE\\" + key;
        const auto value = ReadWineRegistryValue(registry, key, name);
        std::optional<std::string> text;
        if (value) {
            if (value->type != kRegSz && value->type != kRegExpandSz) {
                throw std::runtime_error(InvalidRegistryTypeMessage(name, origin, value->type));
            }
            const bool wow64 = key == kWow64RegistryKey;
            text = value->type == kRegExpandSz ? ExpandWineEnvironment(value->text, registry, wow64) : value->text;
        }
        if (take(text, origin)) return found;
    }

    if (!options_.systemSettings.empty() &&
        take(SettingsFile::Load(options_.systemSettings).Value(name), "файл " + PathToUtf8(options_.systemSettings)))
        return found;
    if (!options_.legacySettings.empty() &&
        take(SettingsFile::Load(options_.legacySettings).Value(name, kMachineSettingKey),
             "файл " + PathToUtf8(options_.legacySettings) + ", раздел [" + kMachineSettingKey + "]"))
        return found;
    return found;
}

std::string LinuxPlatform::UserSettingsFile() const {
    return PathToUtf8(options_.userSettings);
}

std::string LinuxPlatform::HostPath(const std::string& path) const {
    return WinePathMapper(WinePrefix()).ToHost(path);
}

std::string LinuxPlatform::CompanionPath(const std::string& hostPath) const {
    return WinePathMapper(WinePrefix()).ToWindows(hostPath);
}

std::string LinuxPlatform::FindWine() const {
    return FindOnSearchPath("wine", options_.searchPath);
}

StartResult LinuxPlatform::StartProgram(const std::string& program, const std::string& workingDirectory) {
    const std::string wine = FindWine();
    if (wine.empty()) return {StartStatus::LauncherMissing, {}};
    const fs::path prefix = WinePrefix();
    SpawnRequest request;
    request.program = wine;
    // Windows paths go to Wine as they are, so the program sees the path it expects.
    request.arguments = {WinePathMapper::IsWindowsPath(program) ? program : WinePathMapper(prefix).ToHost(program)};
    request.workingDirectory = workingDirectory;
    request.environment = Utf8Environment();
    request.environment.push_back("WINEPREFIX=" + PathToUtf8(prefix));
    request.waitMilliseconds = kWineWaitMilliseconds;
    const SpawnResult result = SpawnDetached(request);
    if (result.error != 0) return {StartStatus::Failed, std::strerror(result.error)};
    if (result.killedBySignal) return {StartStatus::Failed, "Wine прерван"};
    if (result.exitStatus && *result.exitStatus != 0) {
        return {StartStatus::Failed, "Wine завершился с кодом " + std::to_string(*result.exitStatus) +
                                         " (программа не найдена или не запускается в префиксе " +
                                         PathToUtf8(prefix) + ")"};
    }
    return {StartStatus::Started, {}};
}

StartResult LinuxPlatform::OpenExternal(const std::string& target) {
    const std::string opener = FindOnSearchPath("xdg-open", options_.searchPath);
    if (opener.empty()) return {StartStatus::LauncherMissing, "xdg-open не найден (пакет xdg-utils)"};
    SpawnRequest request;
    request.program = opener;
    request.arguments = {target};
    request.waitMilliseconds = kOpenerWaitMilliseconds;
    const SpawnResult result = SpawnDetached(request);
    if (result.error != 0) return {StartStatus::Failed, std::strerror(result.error)};
    if (result.killedBySignal) return {StartStatus::Failed, "xdg-open прерван"};
    if (!result.exitStatus || *result.exitStatus == 0) return {StartStatus::Started, {}};
    switch (*result.exitStatus) {
    case kXdgNoProgram: return {StartStatus::Failed, "не найдена программа, которая его открывает"};
    case kXdgActionFailed: return {StartStatus::Failed, "программа не смогла его открыть"};
    default: return {StartStatus::Failed, "xdg-open завершился с кодом " + std::to_string(*result.exitStatus)};
    }
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<LinuxPlatform>();
}

}  // namespace ter5::base

#endif
