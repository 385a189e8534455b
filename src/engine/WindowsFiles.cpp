// The Windows side of PlatformFiles.h.
//
// The table lock is a LockFileEx byte range of ter5manager.lock, as on POSIX, with
// one difference: Windows cannot turn a shared lock into an exclusive one in one
// step. Every change of a lock therefore first takes a gate byte (kGateOffset +
// the table's byte) exclusively for a moment, so that no other process can take
// the table's byte while this one lets its shared lock go and takes the exclusive
// one; if that fails the shared lock is taken back, which nobody can prevent
// while the gate is held. Lowering an exclusive lock to shared needs no gate:
// Windows lets a handle take a shared lock over its own exclusive one, and the
// first unlock then drops the exclusive one.
#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h names ReplaceFileW ReplaceFile; ours is the engine's.
#undef ReplaceFile

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "EngineError.h"
#include "FaultHook.h"
#include "FileUtil.h"
#include "PlatformFiles.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Gate bytes lie above every table byte (those stay below 2^62).
constexpr std::uint64_t kGateOffset = 1ull << 62;
// How often, and how long apart, a gate held by another process's lock change
// (a few microseconds) is tried again before the lock counts as busy.
constexpr int kGateAttempts = 50;
constexpr auto kGatePause = std::chrono::milliseconds(1);
// How often, and how long apart, a rename blocked by a sharing violation (a virus
// scanner or indexer opening the new file for a moment) is tried again.
constexpr int kRenameAttempts = 20;
constexpr auto kRenamePause = std::chrono::milliseconds(50);
// The attributes a replacement keeps from the file it replaces; read-only is
// never given to a file still to be renamed (ReplaceFileW keeps the target's own).
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// WriteFile takes at most this many bytes a call.
constexpr std::size_t kMaxWrite = 1u << 30;

HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool LockRange(HANDLE file, std::uint64_t offset, bool exclusive) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

void UnlockRange(HANDLE file, std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    UnlockFileEx(file, 0, 1, 0, &at);
}

// Takes the gate of `byte` exclusively, trying again while another process is in
// the middle of a lock change.
bool TakeGate(HANDLE file, std::uint64_t byte) {
    for (int attempt = 0; attempt < kGateAttempts; ++attempt) {
        if (LockRange(file, kGateOffset + byte, true)) return true;
        std::this_thread::sleep_for(kGatePause);
    }
    return false;
}

bool IsSharingError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Absolute: ReplaceFileW under Wine refuses relative names.
fs::path Absolute(const fs::path& p) {
    std::error_code ec;
    fs::path a = fs::absolute(p, ec);
    return ec ? p : a;
}

// The volume and file index of an open file, or its full path where they cannot be had.
FileIdentity IdentityOf(HANDLE h, const fs::path& path) {
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(h, &info)) {
        identity.device = info.dwVolumeSerialNumber;
        identity.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    } else {
        identity.path = PathToUtf8(Absolute(path));
    }
    return identity;
}

}  // namespace

std::string SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (buffer) {
        text = PathToUtf8(fs::path(buffer));
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(code) : text + " (error " + std::to_string(code) + ")";
}

void LockFile::Close() {
    if (handle_ != -1) CloseHandle(AsHandle(handle_));  // closing releases every lock of the handle
    handle_ = -1;
}

bool LockFile::IsOpen() const { return handle_ != -1; }

LockFile LockFile::Open(const fs::path& path, const fs::path& /*like*/, std::uint64_t byte) {
    // A new lock file takes the directory's inherited permissions, as the table did.
    LockFile f;
    f.path_ = path;
    f.byte_ = byte;
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // Not inheritable (no security attributes): a program we start (the companion)
    // must not inherit our locks.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    f.writable_ = h != INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
        h = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        f.error_ = SystemErrorText(GetLastError());
        return f;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {  // a lock on anything but a file of our own is no lock
        CloseHandle(h);
        f.writable_ = false;
        f.error_ = "it is not a regular file";
        return f;
    }
    f.identity_ = IdentityOf(h, path);
    f.handle_ = reinterpret_cast<std::intptr_t>(h);
    return f;
}

LockFile LockFile::OpenExisting(const fs::path& path, std::uint64_t byte) {
    LockFile f;
    f.path_ = path;
    f.byte_ = byte;
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        f.error_ = SystemErrorText(GetLastError());
        return f;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        f.error_ = "it is not a regular file";
        return f;
    }
    f.identity_ = IdentityOf(h, path);
    f.handle_ = reinterpret_cast<std::intptr_t>(h);
    return f;
}

bool LockFile::StillNamed() const {
    if (handle_ == -1) return false;
    // Asking for no data access: not subject to another program's sharing. A file
    // deleted while open cannot be opened by its name any more.
    const HANDLE h = CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return identity_.device == 0 && identity_.inode == 0;  // no identity to compare: trust the name
    return info.dwVolumeSerialNumber == identity_.device &&
           ((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) == identity_.inode;
}

bool LockFile::Lock(Kind kind) {
    if (handle_ == -1) return kind == Kind::None;
    const HANDLE h = AsHandle(handle_);
    const Kind held = held_;
    if (kind == held) return true;
    if (kind == Kind::None) {
        UnlockRange(h, byte_);
    } else if (kind == Kind::Shared && held == Kind::Exclusive) {
        if (!LockRange(h, byte_, false)) return false;  // over our own exclusive lock
        UnlockRange(h, byte_);                          // the first unlock drops the exclusive one
    } else {
        if (!TakeGate(h, byte_)) return false;
        if (held == Kind::Shared) UnlockRange(h, byte_);
        const bool locked = LockRange(h, byte_, kind == Kind::Exclusive);
        if (!locked && held == Kind::Shared) LockRange(h, byte_, false);  // nobody can take the byte now
        UnlockRange(h, kGateOffset + byte_);
        if (!locked) return false;
    }
    held_ = kind;
    return true;
}

FileAttributes ReadAttributes(const fs::path& path) {
    FileAttributes a;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return a;
    a.exists = true;
    a.mode = data.dwFileAttributes;
    a.source = path;
    return a;
}

bool IsReadOnlyFile(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void WriteNewFile(const fs::path& path, const std::uint8_t* data, std::size_t size, const FileAttributes& like,
                  const std::string& target, bool sync) {
    const DWORD attributes = like.exists && (like.mode & kKeptAttributes) ? (like.mode & kKeptAttributes) : FILE_ATTRIBUTE_NORMAL;
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)
            Fail(target, "Table is read-only (its directory is not writable: " + SystemErrorText(error) + ")");
        Fail(target, "cannot create a temporary file: " + SystemErrorText(error));
    }
    auto failWith = [&](const std::string& what) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        DeleteFileW(path.c_str());
        Fail(target, what + ": " + SystemErrorText(error));
    };
    for (std::size_t done = 0; done < size;) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min(size - done, kMaxWrite));
        if (!WriteFile(h, data + done, chunk, &written, nullptr) || written == 0) failWith("write failed");
        done += written;
    }
    if (sync) {
        if (const int injected = InjectedError(SystemCall::SyncFile, path)) {
            SetLastError(static_cast<DWORD>(injected == EIO ? ERROR_WRITE_FAULT : ERROR_ACCESS_DENIED));
            failWith("write failed");
        }
        if (!FlushFileBuffers(h)) failWith("write failed");
    }
    if (!CloseHandle(h)) {
        const DWORD error = GetLastError();
        DeleteFileW(path.c_str());
        Fail(target, "write failed: " + SystemErrorText(error));
    }
}

void ReplaceFile(const fs::path& from, const fs::path& to) {
    if (InjectedError(SystemCall::Rename, to)) Fail(PathToUtf8(to), "cannot replace the file: " + SystemErrorText(ERROR_ACCESS_DENIED));
    const fs::path source = Absolute(from);
    const fs::path target = Absolute(to);
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
        const bool exists = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
        // ReplaceFileW keeps the target's attributes, security and creation time.
        const bool done =
            exists ? ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                   : MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (done) return;
        error = GetLastError();
        if (exists && !IsSharingError(error) &&
            MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return;  // a file system without ReplaceFileW (some shares): a plain rename
        }
        if (!IsSharingError(error)) break;
        std::this_thread::sleep_for(kRenamePause);
    }
    Fail(PathToUtf8(to), "cannot replace the file: " + SystemErrorText(error));
}

void SyncDirectory(const fs::path& /*dir*/) {
    // Renames are made with MOVEFILE_WRITE_THROUGH / ReplaceFileW, which return once
    // the directory entry is on disk; Windows offers no flush of a directory.
}

void SyncFile(const fs::path& path) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(h);
    CloseHandle(h);
}

std::vector<std::uint8_t> ReadRegularFile(const fs::path& path, std::uint64_t maxBytes) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Windows refuses to open a directory as a file with "access denied": said as
        // the POSIX build says it.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            Fail(PathToUtf8(path), "cannot read: it is a directory, not a regular file");
        Fail(PathToUtf8(path), "cannot open: " + SystemErrorText(error));
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        Fail(PathToUtf8(path), "cannot read: it is not a regular file");
    }
    LARGE_INTEGER size{};
    std::vector<std::uint8_t> data;
    if (GetFileSizeEx(h, &size))
        data.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart), maxBytes)));
    std::uint8_t buffer[1 << 16];
    while (data.size() < maxBytes) {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(sizeof buffer, maxBytes - data.size()));
        DWORD got = 0;
        if (!ReadFile(h, buffer, want, &got, nullptr)) {
            const DWORD error = GetLastError();
            CloseHandle(h);
            Fail(PathToUtf8(path), "read error: " + SystemErrorText(error));
        }
        if (got == 0) break;
        data.insert(data.end(), buffer, buffer + got);
    }
    CloseHandle(h);
    return data;
}

long CurrentProcessId() { return static_cast<long>(GetCurrentProcessId()); }

std::uint64_t FileNumber(const fs::path& path) {
    // Asking for no data access: not subject to another program's sharing.
    const HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok ? (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

}  // namespace ter5::engine

#endif  // _WIN32
