#ifdef _WIN32

#include "base/WindowsPlatform.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/PathNames.h"
#include "base/SettingsFile.h"

namespace fs = std::filesystem;

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

// Closes a registry key at the end of its scope.
struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// `text` with the references a 32-bit program reads as its own folders, %ProgramFiles%
// and %CommonProgramFiles% (names in any case), turned into the "(x86)" ones that
// name the same folders in a 64-bit program, where the system defines those.
std::wstring As32BitReferences(const std::wstring& text) {
    static constexpr std::pair<std::wstring_view, std::wstring_view> kNames[] = {
        {L"ProgramFiles", L"ProgramFiles(x86)"}, {L"CommonProgramFiles", L"CommonProgramFiles(x86)"}};
    std::wstring out;
    std::size_t at = 0;
    for (std::size_t open; (open = text.find(L'%', at)) != std::wstring::npos;) {
        const std::size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) break;
        std::wstring name = text.substr(open + 1, close - open - 1);
        for (const auto& [native, x86] : kNames)
            if (CompareStringOrdinal(name.c_str(), -1, native.data(), static_cast<int>(native.size()), TRUE) ==
                    CSTR_EQUAL &&
                GetEnvironmentVariableW(x86.data(), nullptr, 0) > 0)
                name = x86;
        out += text.substr(at, open - at) + L'%' + name + L'%';
        at = close + 1;
    }
    return out + text.substr(at);
}

// The text of the value `name` of the open key `key`, environment references
// expanded in expandable text (as a 32-bit program expands them for a value of the
// 32-bit view, `wow64`); nullopt when the key has no such value. A value of another
// type, or one that cannot be read, throws with `origin` in the message.
std::optional<std::string> QueryText(HKEY key, const std::string& name, const std::string& origin, bool wow64) {
    const std::wstring valueName = Widen(name);
    const auto fail = [&](LSTATUS status) {
        return std::runtime_error("Невозможно прочитать параметр " + name + " (" + origin + "): " +
                                  SystemMessage(static_cast<DWORD>(status)));
    };
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) throw fail(status);
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw std::runtime_error(InvalidRegistryTypeMessage(name, origin, type));
    // The stored text need not end with a NUL, and it may grow between the two reads.
    std::vector<wchar_t> data;
    do {
        data.assign(size / sizeof(wchar_t) + 2, L'\0');
        size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
        status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    } while (status == ERROR_MORE_DATA);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) throw fail(status);
    std::wstring text = data.data();
    if (type == REG_EXPAND_SZ) {
        if (wow64) text = As32BitReferences(text);
        std::vector<wchar_t> expanded(text.size() + 1, L'\0');
        DWORD needed = 0;
        while ((needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()))) >
               expanded.size())
            expanded.assign(needed, L'\0');
        if (needed > 0) text = expanded.data();
    }
    return Narrow(text);
}

}  // namespace

WindowsPlatform::Options WindowsPlatform::DefaultOptions() {
    return {UserSettingsPath()};
}

WindowsPlatform::WindowsPlatform() : WindowsPlatform(DefaultOptions()) {}

WindowsPlatform::WindowsPlatform(Options options) : options_(std::move(options)) {}

std::string WindowsPlatform::UserSettingsFile() const {
    return PathToUtf8(options_.userSettings);
}

std::optional<std::string> WindowsPlatform::ReadSetting(const std::string& key) const {
    const auto value = SettingsFile::Load(options_.userSettings).Value(key);
    if (value && !TrimBlanks(*value).empty()) return value;
    return std::nullopt;
}

SettingLookup WindowsPlatform::LookupMachineSetting(const std::string& name) const {
    SettingLookup found;
    found.searched.push_back("файл настроек " + UserSettingsFile());
    if (const auto value = ReadSetting(name)) {
        found.value = *value;
        found.origin = found.searched.back();
        return found;
    }
    const std::wstring keyName = Widen(kMachineSettingKey);
    for (const auto& [view, viewName] : {std::pair{KEY_WOW64_64KEY, "64"}, std::pair{KEY_WOW64_32KEY, "32"}}) {
        const std::string origin = std::string("реестр, раздел HKEY_LOCAL_MACHINE\\") + kMachineSettingKey + " (" +
                                   viewName + "-разрядное представление)";
        found.searched.push_back(origin);
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
            continue;
        const KeyHandle key(opened);
        const std::optional<std::string> value = QueryText(key.get(), name, origin, view == KEY_WOW64_32KEY);
        if (value && !TrimBlanks(*value).empty()) {
            found.value = value;
            found.origin = origin;
            return found;
        }
    }
    return found;
}

std::string WindowsPlatform::CompanionPath(const std::string& hostPath) const {
    std::error_code ec;
    fs::path path = fs::absolute(PathFromUtf8(hostPath), ec);
    if (ec) path = PathFromUtf8(hostPath);
    return PathToUtf8(path.make_preferred());
}

StartResult WindowsPlatform::StartProgram(const std::string& program, const std::string& workingDirectory) {
    // Given only as a command line, an unquoted "C:\Program Files\Ter\Ter5.exe" would
    // start C:\Program.exe where one exists: the program is named on its own, and
    // its command line is its path in quotes (a path cannot hold a quote).
    const std::wstring application = PathFromUtf8(CompanionPath(program)).native();
    std::wstring commandLine = L"\"" + application + L"\"";
    const std::wstring directory = PathFromUtf8(CompanionPath(workingDirectory)).native();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                        nullptr, directory.c_str(), &startup, &process))
        return {StartStatus::Failed, SystemMessage(GetLastError())};
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {StartStatus::Started, {}};
}

StartResult WindowsPlatform::OpenExternal(const std::string& target) {
    const std::wstring wide = Widen(target);
    // ShellExecuteEx, unlike ShellExecute, gives a real error code (ShellExecute's own
    // codes below 32 read as unrelated system messages).
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = wide.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return {StartStatus::Started, {}};
    const DWORD error = GetLastError();
    if (error == ERROR_NO_ASSOCIATION) return {StartStatus::Failed, "не найдена программа, которая его открывает"};
    return {StartStatus::Failed, SystemMessage(error)};
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
