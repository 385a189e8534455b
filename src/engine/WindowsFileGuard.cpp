// The Windows side of FileGuard.h: the table's files kept open sharing only
// reading and deletion, in a registry of this process so that a replace or a
// delete of a held file can let go of it first.
#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <map>
#include <mutex>
#include <string>

#include "FileGuard.h"
#include "FileUtil.h"
#include "PlatformFiles.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// A guard reads nothing: DELETE access counts in every other open's share check
// (so a program that opens the file without sharing deletion is refused, and the
// open fails while one has it open), FILE_READ_ATTRIBUTES does not. Our own reads
// share deletion (ReadWholeFile) and pass; so do our renames.
constexpr DWORD kGuardAccess = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kGuardShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

struct GuardEntry {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool released = false;
};

std::mutex& RegistryMutex() {
    static std::mutex m;
    return m;
}

// Every guard of this process by its file's key.
std::map<std::wstring, GuardEntry>& Registry() {
    static std::map<std::wstring, GuardEntry> guards;
    return guards;
}

// The key of a file: its absolute path in upper case (Windows names ignore case).
std::wstring Key(const fs::path& file) {
    std::error_code ec;
    std::wstring key = fs::absolute(file, ec).lexically_normal().native();
    if (ec) key = file.native();
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

HANDLE OpenGuard(const fs::path& file) {
    return CreateFileW(file.c_str(), kGuardAccess, kGuardShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsEngineLockFile(const fs::path& file) {
    const std::string name = PathToUtf8(file.filename());
    for (const char* lockName : kEngineLockFiles)
        if (EqualsNoCase(name, lockName)) return true;
    return EqualsNoCase(PathToUtf8(file.extension()), kTableLockExtension);
}

}  // namespace

struct FileGuard::Held {
    std::vector<std::wstring> keys;
};

FileGuard::FileGuard() = default;
FileGuard::~FileGuard() { Release(); }
FileGuard::FileGuard(FileGuard&& other) noexcept = default;
FileGuard& FileGuard::operator=(FileGuard&& other) noexcept {
    if (this != &other) {
        Release();
        held_ = std::move(other.held_);
    }
    return *this;
}

std::vector<FileHolder> FileGuard::Take(const std::vector<fs::path>& files) {
    Release();
    std::vector<FileHolder> holders;
    std::vector<std::pair<std::wstring, HANDLE>> opened;
    for (const fs::path& file : files) {
        if (IsEngineLockFile(file)) {
            for (FileHolder& h : FindFileHolders({file})) holders.push_back(std::move(h));
            continue;
        }
        const HANDLE h = OpenGuard(file);
        if (h != INVALID_HANDLE_VALUE) {
            opened.emplace_back(Key(file), h);
            continue;
        }
        // A missing file needs no guard; a read-only one is refused by the write itself.
        if (GetLastError() != ERROR_SHARING_VIOLATION) continue;
        for (FileHolder& holder : NameFileHolders(file, false)) holders.push_back(std::move(holder));
    }
    if (!holders.empty()) {
        for (const auto& [key, h] : opened) CloseHandle(h);
        return holders;
    }
    std::lock_guard lock(RegistryMutex());
    held_ = std::make_unique<Held>();
    for (const auto& [key, h] : opened) {
        auto& entry = Registry()[key];
        if (entry.handle != INVALID_HANDLE_VALUE) CloseHandle(entry.handle);
        entry = {h, false};
        held_->keys.push_back(key);
    }
    return holders;
}

void FileGuard::Release() {
    if (!held_) return;
    std::lock_guard lock(RegistryMutex());
    for (const std::wstring& key : held_->keys) {
        const auto it = Registry().find(key);
        if (it == Registry().end()) continue;
        if (it->second.handle != INVALID_HANDLE_VALUE) CloseHandle(it->second.handle);
        Registry().erase(it);
    }
    held_.reset();
}

void ReleaseGuard(const fs::path& file) {
    std::lock_guard lock(RegistryMutex());
    const auto it = Registry().find(Key(file));
    if (it == Registry().end() || it->second.released) return;
    CloseHandle(it->second.handle);
    it->second = {INVALID_HANDLE_VALUE, true};
}

void RestoreGuard(const fs::path& file) {
    std::lock_guard lock(RegistryMutex());
    const auto it = Registry().find(Key(file));
    if (it == Registry().end() || !it->second.released) return;
    it->second = {OpenGuard(file), false};  // a file deleted for good stays unguarded
}

}  // namespace ter5::engine

#endif  // _WIN32
