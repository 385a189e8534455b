#ifdef _WIN32

#include "base/WindowsPlatform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>

#include <stdexcept>
#include <vector>

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

std::string WindowsPlatform::ReadMachineSetting(const std::string& name, const std::string& defaultText) const {
    HKEY key = nullptr;
    std::string value;
    const std::wstring keyName = Widen(kMachineSettingKey);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        const std::wstring valueName = Widen(name);
        DWORD type = 0;
        DWORD size = 0;
        const LONG probe = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
        if (probe == ERROR_SUCCESS) {
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                RegCloseKey(key);
                throw std::runtime_error("Недопустимый тип данных параметра реестра " + name);
            }
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
            if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                 &size) == ERROR_SUCCESS)
                value = Narrow(data.data());
        }
        RegCloseKey(key);
    }
    return TrimBlanks(value).empty() ? defaultText : value;
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

void WindowsPlatform::AddToRecentDocuments(const std::string& path) {
    const std::wstring wide = Widen(path);
    SHAddToRecentDocs(SHARD_PATHW, wide.c_str());
}

std::unique_ptr<Platform> CreatePlatform() {
    return std::make_unique<WindowsPlatform>();
}

}  // namespace ter5::base

#endif
