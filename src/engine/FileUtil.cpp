#include "FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "EngineError.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ErrnoText() { return std::strerror(errno); }

WriteHook& TheWriteHook() {
    static WriteHook hook;
    return hook;
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<fs::path> FindFileNoCase(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    const fs::path base = dir.empty() ? fs::path(".") : dir;
    if (fs::exists(base / name, ec)) return dir.empty() ? fs::path(name) : dir / name;
    std::optional<fs::path> found;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (EqualsNoCase(entry, name)) {
            found = dir.empty() ? fs::path(entry) : dir / entry;
            break;
        }
    }
    return found;
}

std::optional<fs::path> ResolveNoCase(const fs::path& path) {
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    return FindFileNoCase(path.parent_path(), path.filename().string());
}

std::vector<fs::path> ListCompanions(const fs::path& dir, const std::string& stem) {
    std::vector<fs::path> result;
    std::error_code ec;
    const std::string prefix = stem + ".";
    const fs::path base = dir.empty() ? fs::path(".") : dir;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (entry.size() > prefix.size() && EqualsNoCase(entry.substr(0, prefix.size()), prefix))
            result.push_back(dir.empty() ? fs::path(entry) : dir / entry);
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f) Fail(path.string(), "cannot open: " + ErrnoText());
    std::vector<std::uint8_t> data;
    std::uint8_t buf[1 << 16];
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec) data.reserve(static_cast<std::size_t>(size));
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        data.insert(data.end(), buf, buf + n);
        if (n < sizeof buf) break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) Fail(path.string(), "read error");
    return data;
}

void WriteFileAtomic(const fs::path& path, const std::vector<std::uint8_t>& data, Durability durability) {
    static std::mt19937_64 rng{std::random_device{}()};
    const fs::path tmp = path.parent_path() / (path.filename().string() + ".tmp" + std::to_string(rng() % 1000000));
    std::error_code statError;
    const fs::file_status old = fs::status(path, statError);
    {
        std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
        if (!f) Fail(path.string(), "cannot create temporary file: " + ErrnoText());
        bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size() && std::fflush(f) == 0;
#ifndef _WIN32
        // The replacement keeps the permissions the old file had.
        if (ok && fs::is_regular_file(old))
            ok = ::fchmod(fileno(f), static_cast<mode_t>(old.permissions() & fs::perms::mask)) == 0;
        const bool synced = ok && (durability == Durability::Unsynced || ::fsync(fileno(f)) == 0);
#else
        (void)durability;
        const bool synced = ok;
#endif
        std::fclose(f);
        if (!synced) {
            std::error_code ec;
            fs::remove(tmp, ec);
            Fail(path.string(), "write failed: " + ErrnoText());
        }
    }
    std::error_code ec;
    if (TheWriteHook()) {
        try {
            TheWriteHook()(path, WriteStage::BeforeReplace);
        } catch (...) {
            fs::remove(tmp, ec);
            throw;
        }
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        fs::remove(tmp, ec);
        Fail(path.string(), "cannot replace file: " + ec.message());
    }
    if (TheWriteHook()) TheWriteHook()(path, WriteStage::AfterReplace);
}

void SetWriteHook(WriteHook hook) { TheWriteHook() = std::move(hook); }

void SyncFile(const fs::path& path) {
#ifndef _WIN32
    const int fd = ::open(path.string().c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    (void)path;
#endif
}

FileLock::FileLock(const fs::path& path, bool exclusive) : exclusive_(exclusive) {
#ifndef _WIN32
    fd_ = ::open(path.string().c_str(), O_RDONLY);
    if (fd_ < 0) Fail(path.string(), "cannot open: " + ErrnoText());
    if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
        Fail(path.string(), "Table is busy");
    }
#else
    (void)path;
#endif
}

FileLock::~FileLock() {
#ifndef _WIN32
    if (fd_ >= 0) ::close(fd_);
#endif
}

}  // namespace ter5::engine
