// The Windows side of FindFileHolders (FileHolders.h). A table file is held by
// another program when it cannot be opened without sharing: that open fails with a
// sharing violation while any other handle with read, write or delete access is
// open on it (the companion program opens its tables sharing reading and writing).
// Only then are the holders named, from the Restart Manager (rstrtmgr) or, where it
// names nobody (Wine's names nobody), from the system's handle list: every handle
// of another process that is a disk file is duplicated and compared with the file
// by volume and file index. A lock on the original engine's lock files is found by
// trying to lock them.
#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <restartmanager.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "FileHolders.h"
#include "FileUtil.h"
#include "PlatformFiles.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// NtQuerySystemInformation's class for the handles of every process
// (SystemExtendedHandleInformation) and its "buffer too small" status.
constexpr ULONG kExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr std::size_t kFirstHandleBuffer = 1u << 20;
constexpr std::size_t kMaxHandleBuffer = 256u << 20;

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

struct FileId {
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdentityOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// The identity of a file even while another program holds it: an open asking for
// no access is not subject to sharing.
std::optional<FileId> IdentityOf(const fs::path& file) {
    const HANDLE h = CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto id = IdentityOf(h);
    CloseHandle(h);
    return id;
}

// The file name of a process's executable ("Ter5.exe"), empty when it cannot be had.
std::string ProgramName(DWORD pid) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t name[MAX_PATH];
    DWORD size = MAX_PATH;
    std::string program;
    if (QueryFullProcessImageNameW(process, 0, name, &size)) program = PathToUtf8(fs::path(std::wstring(name, size)).filename());
    CloseHandle(process);
    return program;
}

std::vector<FileHolder> FromRestartManager(const fs::path& file, bool locked) {
    std::vector<FileHolder> holders;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (RmStartSession(&session, 0, key) != ERROR_SUCCESS) return holders;
    std::error_code ec;
    const std::wstring name = fs::absolute(file, ec).native();
    LPCWSTR names[] = {name.c_str()};
    std::vector<RM_PROCESS_INFO> info(8);
    UINT needed = 0;
    UINT count = static_cast<UINT>(info.size());
    DWORD reasons = 0;
    if (RmRegisterResources(session, 1, names, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
        DWORD result = RmGetList(session, &needed, &count, info.data(), &reasons);
        if (result == ERROR_MORE_DATA) {
            info.resize(needed);
            count = needed;
            result = RmGetList(session, &needed, &count, info.data(), &reasons);
        }
        if (result == ERROR_SUCCESS) {
            for (UINT i = 0; i < count; ++i) {
                const DWORD pid = info[i].Process.dwProcessId;
                if (static_cast<long>(pid) == CurrentProcessId()) continue;
                std::string program = ProgramName(pid);
                if (program.empty()) program = PathToUtf8(fs::path(info[i].strAppName));
                holders.push_back({static_cast<long>(pid), program, file, locked});
            }
        }
    }
    RmEndSession(session);
    return holders;
}

std::vector<FileHolder> FromHandleList(const fs::path& file, bool locked) {
    std::vector<FileHolder> holders;
    const auto wanted = IdentityOf(file);
    const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!wanted || !query) return holders;
    std::vector<unsigned char> buffer(kFirstHandleBuffer);
    LONG status = kInfoLengthMismatch;
    while (buffer.size() <= kMaxHandleBuffer) {
        ULONG size = 0;
        status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size);
        if (status != kInfoLengthMismatch) break;
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, size));
    }
    if (status != 0) return holders;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const DWORD self = GetCurrentProcessId();
    std::map<DWORD, HANDLE> processes;  // opened once each, null when refused
    std::set<DWORD> found;
    for (ULONG_PTR i = 0; i < table->count; ++i) {
        const HandleEntry& e = table->entries[i];
        const auto pid = static_cast<DWORD>(e.processId);
        if (pid == self || found.count(pid)) continue;
        auto [it, added] = processes.emplace(pid, nullptr);
        if (added) it->second = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
        if (!it->second) continue;  // another user's process: not ours to judge
        HANDLE copy = nullptr;
        if (!DuplicateHandle(it->second, reinterpret_cast<HANDLE>(e.handle), GetCurrentProcess(), &copy, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            continue;
        // Only disk files are asked for their identity (a pipe could make the question wait).
        if (GetFileType(copy) == FILE_TYPE_DISK && IdentityOf(copy) == wanted) {
            found.insert(pid);
            holders.push_back({static_cast<long>(pid), ProgramName(pid), file, locked});
        }
        CloseHandle(copy);
    }
    for (const auto& [pid, process] : processes)
        if (process) CloseHandle(process);
    return holders;
}

std::vector<FileHolder> ProcessesWithOpen(const fs::path& file, bool locked) {
    std::vector<FileHolder> holders = FromRestartManager(file, locked);
    if (holders.empty()) holders = FromHandleList(file, locked);
    return holders;
}

// Whether another program locks any part of `file`, or has it open without
// sharing reading: it is opened for reading and locked in full, and let go at once.
enum class LockTest { Free, Locked, Unopenable, Missing };

LockTest TestLock(const fs::path& file) {
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? LockTest::Unopenable : LockTest::Missing;
    OVERLAPPED at{};
    const bool free = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at);
    if (free) UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &at);
    CloseHandle(h);
    return free ? LockTest::Free : LockTest::Locked;
}

// Whether a handle other than ours is open on `file`: an open that shares nothing
// fails with a sharing violation then. The engine keeps no handle open on a table
// between its reads, so a handle of this process does not count here either.
bool IsOpenElsewhere(const fs::path& file) {
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

bool IsEngineLockFile(const fs::path& file) {
    const std::string name = PathToUtf8(file.filename());
    for (const char* lockName : kEngineLockFiles)
        if (EqualsNoCase(name, lockName)) return true;
    return EqualsNoCase(PathToUtf8(file.extension()), kTableLockExtension);
}

// The processes that have `file` open; one entry without a process when nobody
// names one. `locked` is copied into each.
std::vector<FileHolder> NameFileHolders(const fs::path& file, bool locked) {
    std::vector<FileHolder> holders = ProcessesWithOpen(file, locked);
    if (holders.empty()) holders.push_back({0, {}, file, locked});
    return holders;
}

}  // namespace

std::vector<FileHolder> FindFileHolders(const std::vector<fs::path>& files) {
    std::vector<FileHolder> holders;
    for (const fs::path& file : files) {
        if (IsEngineLockFile(file)) {
            const LockTest test = TestLock(file);
            if (test == LockTest::Locked || test == LockTest::Unopenable)
                for (FileHolder& h : NameFileHolders(file, test == LockTest::Locked)) holders.push_back(std::move(h));
            continue;
        }
        if (IsOpenElsewhere(file))
            for (FileHolder& h : NameFileHolders(file, false)) holders.push_back(std::move(h));
    }
    std::set<long> seen;
    std::erase_if(holders, [&seen](const FileHolder& h) { return h.pid != 0 && !seen.insert(h.pid).second; });
    return holders;
}

}  // namespace ter5::engine

#endif  // _WIN32
