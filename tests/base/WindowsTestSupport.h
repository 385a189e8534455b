#pragma once
// What the Windows tests of the base layer need of the system: the machine
// setting's registry key written in either view and removed again, environment
// variables set for a while, and the companion stand-in (tests/wine/Ter5Standin.cpp,
// built beside the test program) with the record it leaves of its start.

#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../support/ProcessRun.h"  // Wide()
#include "engine/FileUtil.h"

namespace ter5::testing {

// HKEY_LOCAL_MACHINE\SOFTWARE\Terrakon as the tests write it, in the 64-bit and the
// 32-bit view; the keys it created are deleted at the end. `Usable()` is false when
// the machine already has the key (a real installation, left alone) or the
// registry cannot be written (no administrator rights). Test processes running at
// the same time take turns: the key is one for the whole machine.
class TerrakonKey {
public:
    static constexpr REGSAM kView64 = KEY_WOW64_64KEY;
    static constexpr REGSAM kView32 = KEY_WOW64_32KEY;

    TerrakonKey() : turn_(CreateMutexW(nullptr, FALSE, L"Local\\ter5-tests-terrakon-key")) {
        if (turn_) WaitForSingleObject(turn_, INFINITE);  // an abandoned turn is handed on as well
        for (REGSAM view : {kView64, kView32}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
                RegCloseKey(key);
                problem_ = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Terrakon exists on this machine; the test leaves it alone";
                return;
            }
        }
    }
    ~TerrakonKey() {
        for (REGSAM view : created_) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, view, 0);
        if (turn_) {
            ReleaseMutex(turn_);
            CloseHandle(turn_);
        }
    }
    TerrakonKey(const TerrakonKey&) = delete;
    TerrakonKey& operator=(const TerrakonKey&) = delete;

    bool Usable() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }

    // Sets PathWorkFiles (or `name`) in `view` to text of `type` (REG_SZ, REG_EXPAND_SZ).
    bool SetText(REGSAM view, const std::string& text, DWORD type = REG_SZ, const std::string& name = "PathWorkFiles") {
        const std::wstring data = Wide(text);
        return Set(view, name, type, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    bool SetNumber(REGSAM view, DWORD number, const std::string& name = "PathWorkFiles") {
        return Set(view, name, REG_DWORD, &number, sizeof number);
    }
    // Removes the key of `view` with its values.
    void Remove(REGSAM view) {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, view, 0);
        std::erase(created_, view);
    }
    // Whether the key exists in `view`.
    static bool Exists(REGSAM view) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

private:
    static constexpr const wchar_t* kKey = L"SOFTWARE\\Terrakon";

    bool Set(REGSAM view, const std::string& name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_SET_VALUE | view, nullptr, &key, &disposition);
        if (status != ERROR_SUCCESS) {
            problem_ = "HKEY_LOCAL_MACHINE cannot be written here (error " + std::to_string(status) + ")";
            return false;
        }
        if (disposition == REG_CREATED_NEW_KEY) created_.push_back(view);
        const bool set = RegSetValueExW(key, Wide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
                         ERROR_SUCCESS;
        RegCloseKey(key);
        return set;
    }

    HANDLE turn_;
    std::string problem_;
    std::vector<REGSAM> created_;
};

// An environment variable set for the life of the object, then restored.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::string& value) : name_(name) {
        if (const wchar_t* old = _wgetenv(name)) previous_ = old;
        _wputenv_s(name, Wide(value).c_str());
    }
    ~ScopedEnvironment() { _wputenv_s(name_.c_str(), previous_ ? previous_->c_str() : L""); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// The directory of the running test program.
inline std::filesystem::path TestProgramDirectory() {
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return std::filesystem::path(self).parent_path();
}

// The companion stand-in, a Windows program that writes "started.txt" beside itself
// with its working directory and its command line, one a line.
inline std::filesystem::path CompanionStandin() { return TestProgramDirectory() / "ter5_standin.exe"; }

// The lines of "started.txt" in `directory` once the stand-in has written both;
// empty when none appears within ten seconds.
inline std::vector<std::string> StartRecord(const std::filesystem::path& directory) {
    const auto file = directory / "started.txt";
    for (int i = 0; i < 400; ++i) {
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (std::count(text.begin(), text.end(), '\n') >= 2) {
            std::vector<std::string> lines;
            for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
                lines.push_back(text.substr(start, end - start));
            return lines;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return {};
}

}  // namespace ter5::testing

#endif
