#include "FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <random>

#include "EngineError.h"
#include "PlatformFiles.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h names ReplaceFileW ReplaceFile; ours is the engine's.
#undef ReplaceFile
#endif

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

#ifndef _WIN32
std::string ErrnoText() { return std::strerror(errno); }
#endif

}  // namespace

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string PathToUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<fs::path> FindFileNoCase(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    const fs::path base = dir.empty() ? fs::path(".") : dir;
#ifndef _WIN32
    // Windows names ignore case: there the entry is looked up for its spelling on disk.
    if (fs::exists(base / PathFromUtf8(name), ec)) return dir.empty() ? PathFromUtf8(name) : dir / PathFromUtf8(name);
#endif
    std::optional<fs::path> found;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = PathToUtf8(it->path().filename());
        if (EqualsNoCase(entry, name)) {
            found = dir.empty() ? PathFromUtf8(entry) : dir / PathFromUtf8(entry);
            break;
        }
    }
    return found;
}

std::optional<fs::path> ResolveNoCase(const fs::path& path) {
#ifndef _WIN32
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
#endif
    return FindFileNoCase(path.parent_path(), PathToUtf8(path.filename()));
}

std::vector<fs::path> ListCompanions(const fs::path& dir, const std::string& stem) {
    std::vector<fs::path> result;
    std::error_code ec;
    const std::string prefix = stem + ".";
    const fs::path base = dir.empty() ? fs::path(".") : dir;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = PathToUtf8(it->path().filename());
        if (entry.size() > prefix.size() && EqualsNoCase(entry.substr(0, prefix.size()), prefix))
            result.push_back(dir.empty() ? PathFromUtf8(entry) : dir / PathFromUtf8(entry));
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
    return ReadRegularFile(path, std::numeric_limits<std::uint64_t>::max());
}

RandomAccessFile::RandomAccessFile(const fs::path& path) : name_(PathToUtf8(path)) {
#ifdef _WIN32
    // Shared for reading, writing and deletion, as a POSIX descriptor is: another
    // program (or our own writer) may replace the table by rename while it is read, and
    // this handle goes on reading the file it opened.
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(name_, "cannot open: " + SystemErrorText(::GetLastError()));
    handle_ = reinterpret_cast<std::intptr_t>(file);
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        Close();
        Fail(name_, "cannot read: not a regular file");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        const unsigned long error = ::GetLastError();
        Close();
        Fail(name_, "cannot read its size: " + SystemErrorText(error));
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
#else
    // Never waiting on the open (a FIFO would wait for a writer); only a regular file is read.
    handle_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle_ < 0) Fail(name_, "cannot open: " + ErrnoText());
    const int fd = static_cast<int>(handle_);
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const std::string why = known ? "not a regular file" : ErrnoText();
        Close();
        Fail(name_, "cannot read: " + why);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size_ = static_cast<std::uint64_t>(st.st_size);
#endif
}

RandomAccessFile::~RandomAccessFile() { Close(); }

void RandomAccessFile::Close() {
#ifdef _WIN32
    if (handle_) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = 0;
#else
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
#endif
}

std::size_t RandomAccessFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
#ifdef _WIN32
    // Each read names its offset: the handle's own position is never used.
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t at = offset + done;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), static_cast<char*>(buffer) + done, want, &n, &where)) {
            const unsigned long error = ::GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            Fail(name_, "read error at byte " + std::to_string(at) + ": " + SystemErrorText(error));
        }
        if (n == 0) break;
        done += n;
    }
    return done;
#else
    // One system call per read, whatever the position: table blocks are read out of order.
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(static_cast<int>(handle_), static_cast<char*>(buffer) + done, count - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(name_, "read error at byte " + std::to_string(offset + done) + ": " + ErrnoText());
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
#endif
}

std::vector<std::uint8_t> ReadFilePrefix(const fs::path& path, std::size_t maxBytes) { return ReadRegularFile(path, maxBytes); }

void WriteFileAtomic(const fs::path& path, const std::vector<std::uint8_t>& data, Durability durability) {
    static std::mt19937_64 rng{std::random_device{}()};
    const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const fs::path tmp = dir / PathFromUtf8(PathToUtf8(path.filename()) + ".ter5tmp-" +
                                            std::to_string(CurrentProcessId()) + "-" + std::to_string(rng() % 1000000));
    WriteNewFile(tmp, data.data(), data.size(), ReadAttributes(path), PathToUtf8(path), durability == Durability::Synced);
    try {
        ReplaceFile(tmp, path);
    } catch (...) {
        std::error_code ec;
        fs::remove(tmp, ec);
        throw;
    }
    if (durability == Durability::Synced) SyncDirectory(dir);
}

}  // namespace ter5::engine
