#ifdef _WIN32

#include "base/WindowsPlatform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "base/PathNames.h"
#include "base/SettingsFile.h"

namespace ter5::base {

namespace {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), count);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), count, nullptr,
                        nullptr);
    return utf8;
}

std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = buffer ? Narrow(buffer) : std::to_string(code);
    if (buffer) LocalFree(buffer);
    return TrimBlanks(text);
}

}  // namespace

std::string WindowsPlatform::UserSettingsFile() const {
    return PathToUtf8(UserSettingsPath());
}

std::optional<std::string> WindowsPlatform::ReadSetting(const std::string& key) const {
    const auto value = SettingsFile::Load(UserSettingsPath()).Value(key);
    if (value && !TrimBlanks(*value).empty()) return value;
    return std::nullopt;
}

SettingLookup WindowsPlatform::LookupMachineSetting(const std::string& name) const {
    SettingLookup found;
    const std::string userFile = UserSettingsFile();
    found.searched.push_back("файл настроек " + userFile);
    if (const auto value = SettingsFile::Load(UserSettingsPath()).Value(name); value && !TrimBlanks(*value).empty()) {
        found.value = *value;
        found.origin = found.searched.back();
        return found;
    }
    const std::wstring keyName = Widen(kMachineSettingKey);
    const std::wstring valueName = Widen(name);
    for (const auto& [view, viewName] : {std::pair{KEY_WOW64_64KEY, "64"}, std::pair{KEY_WOW64_32KEY, "32"}}) {
        const std::string origin = std::string("реестр, раздел HKEY_LOCAL_MACHINE\\") + kMachineSettingKey + " (" +
                                   viewName + "-разрядное представление)";
        found.searched.push_back(origin);
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
        DWORD type = 0;
        DWORD size = 0;
        std::string value;
        if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                RegCloseKey(key);
                throw std::runtime_error("Недопустимый тип данных параметра реестра " + name + " (" + origin + ")");
            }
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
            if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                 &size) == ERROR_SUCCESS) {
                std::wstring text = data.data();
                if (type == REG_EXPAND_SZ) {
                    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
                    std::vector<wchar_t> expanded(needed + 1, L'\0');
                    if (needed > 0 && ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed) > 0)
                        text = expanded.data();
                }
                value = Narrow(text);
            }
        }
        RegCloseKey(key);
        if (!TrimBlanks(value).empty()) {
            found.value = value;
            found.origin = origin;
            return found;
        }
    }
    return found;
}

StartResult WindowsPlatform::StartProgram(const std::string& program, const std::string& workingDirectory) {
    std::wstring commandLine = Widen(program);
    const std::wstring directory = Widen(workingDirectory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                        directory.c_str(), &startup, &process))
        return {StartStatus::Failed, SystemMessage(GetLastError())};
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {StartStatus::Started, {}};
}

StartResult WindowsPlatform::OpenExternal(const std::string& target) {
    const std::wstring wide = Widen(target);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // ShellExecute returns a value above 32 on success, an error code otherwise.
    if (result > 32) return {StartStatus::Started, {}};
    return {StartStatus::Failed, SystemMessage(static_cast<DWORD>(result))};
}

void WindowsPlatform::AddToRecentDocuments(const std::string& path) {
    const std::wstring wide = Widen(path);
    SHAddToRecentDocs(SHARD_PATHW, wide.c_str());
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<WindowsPlatform>();
}

}  // namespace ter5::base

#endif
